# The view's fragments for a whole quote list, and reading the resource folder.
parvela_bench(view_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/view_bench.cpp
  LIBS view)
target_compile_definitions(view_bench PRIVATE PARVELA_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
