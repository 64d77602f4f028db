-- Same work as ds_lists.kvs on a Lua table used as a list (positions from 1).
local x, s = 1, 0
local function find(t, v)
  for i = 1, #t do if t[i] == v then return i - 1 end end
  return -1
end
for _ = 1, BENCH_SCALE do
  local l = {}
  for _ = 1, 1500 do
    x = (x * 75 + 74) % 65537
    l[#l + 1] = x
  end
  for _ = 1, 200 do
    x = (x * 75 + 74) % 65537
    s = s + find(l, l[x % 1500 + 1])
  end
  table.sort(l)
  local n = #l
  for i = 0, n - 1 do s = s + l[i + 1] * (i % 7) end
  for i = 0, 299 do
    local v = table.remove(l, 1)
    table.insert(l, i + 1, v + 1)
  end
  for i = 0, 299 do s = s + l[i + 1] end
  table.sort(l, function(a, b) return a > b end)
  s = s + l[1] + l[n]
end
return s
