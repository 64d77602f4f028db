# Compiler flags shared by every target of the project.
add_library(project_options INTERFACE)
target_compile_options(project_options INTERFACE -Wall -Wextra -Wno-unused-parameter)
# GCC 12 at -O2 reports an overlapping copy in every `"text" + std::string(...)` it inlines; the
# copy cannot overlap, and a warning that fires on correct code only hides real ones.
target_compile_options(project_options INTERFACE $<$<AND:$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-Wno-restrict>)
if(RUNNER_WERROR)
  target_compile_options(project_options INTERFACE -Werror)
endif()
if(RUNNER_SANITIZE)
  # Hostile game files must never reach undefined behaviour: the tests run with both sanitizers.
  target_compile_options(project_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(project_options INTERFACE -fsanitize=address,undefined)
endif()
if(RUNNER_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "RUNNER_FUZZ needs clang for libFuzzer: use the fuzz preset")
  endif()
  # Coverage instrumentation goes into every library so the fuzzers can steer into the readers;
  # only the fuzz targets themselves link the libFuzzer driver (-fsanitize=fuzzer).
  target_compile_options(project_options INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(project_options INTERFACE -fsanitize=address,undefined)
endif()
