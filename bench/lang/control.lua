local c = 0
for n = 1, 1000 * BENCH_SCALE - 1 do
  local i = n
  while i ~= 1 do
    if i % 2 == 0 then i = i // 2 else i = 3 * i + 1 end
    c = c + 1
  end
end
local st, acc = 0, 0
for i = 0, 30000 * BENCH_SCALE - 1 do
  if st == 0 then acc = acc + 1; st = 1
  elseif st == 1 then acc = acc + 2; st = 2
  elseif st == 2 then acc = acc - 1; st = 3
  else acc = acc + 3; st = 0 end
  if acc > 100 and st == 0 or i % 7 == 3 then acc = acc - 1 end
end
return c * 1000000 + acc
