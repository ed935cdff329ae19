# The program's grids on the real main page holding a long quote list: Ctrl+A,
# Delete of every row and of two rows, and a row click, each as the key or
# the click arrives through the input side, with the renderer's update after.
parvela_bench(grids_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/grids_bench.cpp
  LIBS view htmlayout_render_testing)
target_compile_definitions(grids_bench PRIVATE PARVELA_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
