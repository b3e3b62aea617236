# Fails when a folder of the program includes SDL, cairo, pango, GLib/GIO or a header from inside
# platform/ (anything but platform/include/). Run by ctest as PlatformFence:
#   cmake -DSOURCE_DIR=<source root> -P cmake/platform_fence.cmake
# The artwork tool is not part of the program: it draws the image files with cairo at build time.
set(program_folders app common engine picker recording resources screens store tools)
set(exempt "^tools/artwork/")
set(forbidden "#[ \t]*include[ \t]*[<\"]((SDL2?/)|SDL[._]|cairo|pango|glib|gio/|gobject|platform/(core|display|gdi|shell|devices|host)/)")

set(violations "")
foreach(folder ${program_folders})
  file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.h)
  foreach(file ${files})
    if(file MATCHES "${exempt}")
      continue()
    endif()
    file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "${forbidden}")
    foreach(line ${lines})
      string(APPEND violations "  ${file}: ${line}\n")
    endforeach()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "The program's folders include only platform/include/ (platform/README.md):\n${violations}")
endif()
message(STATUS "platform fence: no program folder reaches past platform/include/")
