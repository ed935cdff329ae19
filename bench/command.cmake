# The command line's commands, in process, on 100,000 quotes.
parvela_bench(command_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/command_bench.cpp
  LIBS shell_commands model)
