# Lays out the files the program reads beside the executable in the build
# folder: "res", "DragMgr.xml", the help page and the seed files in
# "share/Parvela". Run on every build so edits show up at once.
file(MAKE_DIRECTORY ${DEST}/res ${DEST}/share/Parvela)
if(EXISTS ${SRC}/res)
  file(COPY ${SRC}/res/ DESTINATION ${DEST}/res)
endif()
foreach(name DragMgr.xml "Parvela Help.html")
  if(EXISTS "${SRC}/data/${name}")
    file(COPY "${SRC}/data/${name}" DESTINATION ${DEST})
  endif()
endforeach()
foreach(name defaulttags.xml defaultquotes.xml)
  if(EXISTS ${SRC}/data/${name})
    file(COPY ${SRC}/data/${name} DESTINATION ${DEST}/share/Parvela)
  endif()
endforeach()
