# The command line's commands, in process, on 100,000 quotes.
parvela_bench(command_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/command_bench.cpp
  LIBS shell_commands model)

# The command line against the real program running with 10,000 quotes.
parvela_bench(instance_command_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/instance_command_bench.cpp
  LIBS shell_core model)
target_compile_definitions(instance_command_bench PRIVATE PARVELA_EXE="$<TARGET_FILE:parvela>")
add_dependencies(instance_command_bench parvela)
