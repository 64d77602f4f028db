-- Same work as ds_grid.kvs on a Lua table of columns.
local W, H = 120, 80
local function grid()
  local g = {}
  for i = 0, W - 1 do
    local col = {}
    for j = 0, H - 1 do col[j] = 0 end
    g[i] = col
  end
  return g
end
local function clip(a, b, n)
  local lo, hi = math.max(math.min(a, b), 0), math.min(math.max(a, b), n - 1)
  return lo, hi
end
local function add_region(g, x1, y1, x2, y2, v)
  local xa, xb = clip(x1, x2, W)
  local ya, yb = clip(y1, y2, H)
  for i = xa, xb do local col = g[i] for j = ya, yb do col[j] = col[j] + v end end
end
local function multiply_region(g, x1, y1, x2, y2, v)
  local xa, xb = clip(x1, x2, W)
  local ya, yb = clip(y1, y2, H)
  for i = xa, xb do local col = g[i] for j = ya, yb do col[j] = col[j] * v end end
end
local function sum(g, x1, y1, x2, y2)
  local xa, xb = clip(x1, x2, W)
  local ya, yb = clip(y1, y2, H)
  local s = 0
  for i = xa, xb do local col = g[i] for j = ya, yb do s = s + col[j] end end
  return s
end
local function best(g, x1, y1, x2, y2, larger)
  local xa, xb = clip(x1, x2, W)
  local ya, yb = clip(y1, y2, H)
  local b = nil
  for i = xa, xb do
    local col = g[i]
    for j = ya, yb do
      local v = col[j]
      if b == nil or (larger and v > b) or (not larger and v < b) then b = v end
    end
  end
  return b
end
local x, s = 1, 0
local g, h = grid(), grid()
for _ = 1, BENCH_SCALE do
  for i = 0, W - 1 do local col = g[i] for j = 0, H - 1 do col[j] = 1 end end
  for i = 0, 39 do
    x = (x * 75 + 74) % 65537
    local y = x % 60
    add_region(g, y, i, y + 40, i + 30, i % 5)
    multiply_region(g, i, y % 40, i + 20, y % 40 + 10, 2)
    s = s + sum(g, i, 0, i + 50, 79) + best(g, 0, i, 119, i + 10, true)
  end
  for i = 0, W - 1 do for j = 0, H - 1 do h[i][j] = g[i][j] end end
  -- g += h shifted by (20, 10): rows and columns beyond the grid are cut
  for i = W - 1, 20, -1 do
    local col, src = g[i], h[i - 20]
    for j = H - 1, 10, -1 do col[j] = col[j] + src[j - 10] end
  end
  s = s + sum(g, 0, 0, 119, 79) + best(g, 10, 10, 110, 70, false)
end
return s
