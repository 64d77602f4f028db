local n, total = 30000, 0
local p = {}
for _ = 1, 2 * BENCH_SCALE do
  for i = 0, n do p[i] = 1 end
  p[0] = 0
  p[1] = 0
  local i = 2
  while i * i <= n do
    if p[i] == 1 then
      local j = i * i
      while j <= n do
        p[j] = 0
        j = j + i
      end
    end
    i = i + 1
  end
  local c = 0
  for k = 0, n do c = c + p[k] end
  total = total + c
end
return total
