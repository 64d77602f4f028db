local n = 100000 * BENCH_SCALE
local s, t = 0, 0.0
for i = 0, n - 1 do
  s = s + (i % 7) * 3 - ((i // 5) % 11)
  t = t * 0.5 + i
end
return s + math.floor(t)
