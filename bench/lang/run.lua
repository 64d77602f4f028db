-- Runs one Lua benchmark program: loads it, runs it once with BENCH_SCALE set and prints the
-- value it returned and the processor time the run took (loading excluded).
--   lua5.4 run.lua FILE [SCALE]
local path, scale = arg[1], tonumber(arg[2] or "1")
BENCH_SCALE = math.tointeger(scale) or scale
local chunk = assert(loadfile(path))
local start = os.clock()
local r = chunk()
local elapsed = os.clock() - start
if type(r) == "string" then
  print("result " .. r)
elseif math.type(r) == "integer" then
  print(string.format("result %d", r))
else
  print(string.format("result %.17g", r))
end
print(string.format("cpu_ms %.3f", elapsed * 1e3))
