# Lays out the files the program reads beside the executable in the build
# folder, as share/parvela holds them once installed: "res", "DragMgr.xml",
# the help page and the seed files of a new user's collection. Run on every
# build so edits show up at once.
file(MAKE_DIRECTORY ${DEST}/res)
if(EXISTS ${SRC}/res)
  file(COPY ${SRC}/res/ DESTINATION ${DEST}/res)
endif()
foreach(name DragMgr.xml "Parvela Help.html" defaulttags.xml defaultquotes.xml)
  if(EXISTS "${SRC}/data/${name}")
    file(COPY "${SRC}/data/${name}" DESTINATION ${DEST})
  endif()
endforeach()
