local floor, ceil, sqrt, abs, max, min, sin = math.floor, math.ceil, math.sqrt, math.abs, math.max, math.min, math.sin
local n = 20000 * BENCH_SCALE
local s = 0
for i = 1, n do
  s = s + floor(sqrt(i)) + abs(50 - i % 100) + max(i % 7, i % 5, 3) + min(i % 11, 4)
  s = s + ceil(i / 4) + floor(sin(i) * 1000) + (i % 10) ^ 2
end
return s
