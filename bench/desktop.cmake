# The desktop side: reading the clipboard for a capture, on a private Xvfb.
find_package(X11 REQUIRED)
parvela_bench(clipboard_read_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/clipboard_read_bench.cpp
  LIBS shell_desktop fml X11::X11)
