-- Same work as ds_maps.kvs on a Lua table keyed by number, with a count beside it.
local x, s = 1, 0
for _ = 1, BENCH_SCALE do
  local m, n = {}, 0
  for i = 0, 2999 do
    x = (x * 75 + 74) % 65537
    local k = x % 5000
    local v = m[k]
    if v then m[k] = v + i else m[k] = i; n = n + 1 end
  end
  for _ = 1, 3000 do
    x = (x * 75 + 74) % 65537
    s = s + (m[x % 5000] or 0)
  end
  for _ = 1, 1500 do
    x = (x * 75 + 74) % 65537
    local k = x % 5000
    if m[k] then m[k] = nil; n = n - 1 end
  end
  s = s + n
end
return s
