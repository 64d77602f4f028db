local self = {x = 0, y = 0, v = 2, total = 0, sx = 0}
local objects = {[0] = {}, [1] = {}}
for i = 0, 9999 do
  local list = objects[i % 2]
  list[#list + 1] = {x = i % 640, y = i // 640, v = i % 13}
end
for _ = 1, 4 * BENCH_SCALE do
  for _, inst in ipairs(objects[0]) do
    inst.v = inst.v + 1
    self.total = self.total + inst.v
  end
  for _, inst in ipairs(objects[1]) do inst.x = inst.x + self.v + 1 end
end
for _, inst in ipairs(objects[1]) do self.sx = self.sx + inst.x end
return self.total * 1000 + self.sx
