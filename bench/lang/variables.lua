local self = {hits = 0, level = 3}
local n = 50000 * BENCH_SCALE
gcount = 0
gsum = 0
score = 0
for i = 0, n - 1 do
  gcount = gcount + 1
  gsum = gsum + i % 3
  if i % 1000 == 0 then self.hits = self.hits + self.level end
  score = score + 1
end
return gcount + gsum + self.hits + score
