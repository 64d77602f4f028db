local s, a, grid = 0, {}, {}
for i = 0, 9999 do a[i] = i * 2 end
for i = 0, 99 do
  local row = {}
  grid[i] = row
  for j = 0, 99 do row[j] = i + j end
end
for _ = 1, 8 * BENCH_SCALE do
  for i = 0, 9999 do
    a[i] = a[i] + 1
    s = s + a[i]
  end
  for i = 0, 99 do
    for j = 0, 99 do s = s + grid[i][j] * (j % 3) end
  end
end
return s
