# The whole program: start-up to the first painted window (with its memory)
# and a capture until it is drawn, on collections of 10,000 and 100,000
# quotes.
if(TARGET parvela AND TARGET htmlayout_widgets)
  parvela_bench(program_bench
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/program_bench.cpp
    LIBS htmlayout_widgets view controller model fml Qt6::Widgets)
  target_compile_definitions(program_bench PRIVATE
    PARVELA_EXE="$<TARGET_FILE:parvela>" PARVELA_BUILD_DIR="${CMAKE_BINARY_DIR}")
  add_dependencies(program_bench parvela)
endif()
