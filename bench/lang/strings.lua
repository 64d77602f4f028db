local n = 50 * BENCH_SCALE
local total, w = 0, ""
for k = 0, n - 1 do
  local s = ""
  for i = 0, 199 do s = s .. string.char(65 + (i + k) % 26) end
  local t = string.upper(string.lower(s))
  local at = 10 + k % 50
  total = total + #t + (string.find(t, "XYZ", 1, true) or 0) + string.byte(string.sub(t, at, at))
  w = ""
  for i = 1, 200, 20 do w = w .. string.sub(s, i, i + 2) .. tostring(i) end
  total = total + #w + (string.find(w, "C1", 1, true) or 0)
end
return tostring(total) .. ":" .. string.sub(w, 1, 20)
