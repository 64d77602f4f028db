local function fib(n)
  if n < 2 then return n end
  return fib(n - 1) + fib(n - 2)
end
local function mix(a, b, c)
  return a * 2 + b - c
end
local s = 0
for _ = 1, BENCH_SCALE do s = s + fib(20) end
for i = 0, 20000 * BENCH_SCALE - 1 do s = s + mix(i, 3, 1) % 13 end
return s
