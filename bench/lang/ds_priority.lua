-- Same work as ds_priority.kvs on a binary heap of {priority, value} pairs in a Lua table.
local x, s = 1, 0
local function push(h, prio, val)
  local n = #h + 1
  h[n] = {prio, val}
  while n > 1 do
    local parent = n // 2
    if h[parent][1] <= h[n][1] then break end
    h[parent], h[n] = h[n], h[parent]
    n = parent
  end
end
local function pop(h)
  local top, n = h[1], #h
  h[1] = h[n]
  h[n] = nil
  n = n - 1
  local i = 1
  while true do
    local c = 2 * i
    if c > n then break end
    if c + 1 <= n and h[c + 1][1] < h[c][1] then c = c + 1 end
    if h[i][1] <= h[c][1] then break end
    h[i], h[c] = h[c], h[i]
    i = c
  end
  return top[2]
end
for _ = 1, BENCH_SCALE do
  local h, j = {}, 0
  for i = 0, 1999 do
    x = (x * 75 + 74) % 65537
    push(h, x * 4096 + i, i)
    if i % 3 == 2 then
      s = s + pop(h) * (j % 13)
      j = j + 1
    end
  end
  while #h > 0 do
    s = s + pop(h) * (j % 13)
    j = j + 1
  end
end
return s
