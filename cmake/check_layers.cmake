# Checks that the engine's parts include only what their layer may
# (htmlayout/README.md): cmake -DSRC=<source dir> -P check_layers.cmake.
# Names every include that breaks a rule and fails when there is one.

set(broken 0)
# The files under `folder` may not include a path that matches `forbidden`.
function(forbid folder forbidden)
  file(GLOB_RECURSE files "${SRC}/${folder}/*.h" "${SRC}/${folder}/*.cpp")
  foreach(file IN LISTS files)
    file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]${forbidden}")
    foreach(line IN LISTS lines)
      file(RELATIVE_PATH shown "${SRC}" "${file}")
      message("${shown}: ${line}")
      math(EXPR broken "${broken} + 1")
    endforeach()
  endforeach()
  set(broken ${broken} PARENT_SCOPE)
endfunction()

forbid(htmlayout/dom "htmlayout/(input|behaviors|render|qt|testing)/")
forbid(htmlayout/input "htmlayout/(behaviors|render|qt)/")
forbid(htmlayout "(view|controller|model|shell)/")

if(broken)
  message(FATAL_ERROR "${broken} include(s) break the engine's layers (htmlayout/README.md)")
endif()
