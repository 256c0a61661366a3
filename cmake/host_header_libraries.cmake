# Header-only libraries for a cross build, taken from the build machine's
# Debian packages (libcli11-dev): the headers are the same for every target.
# Only their own folder is put on the include path, never /usr/include, whose
# C library headers are the build machine's.
function(tarvo_host_header_library target header_dir)
  if(TARGET ${target})
    return()
  endif()
  set(source /usr/include/${header_dir})
  if(NOT IS_DIRECTORY ${source})
    message(FATAL_ERROR "${target}: ${source} not found (install the Debian package)")
  endif()
  set(copy ${CMAKE_BINARY_DIR}/host-headers)
  file(COPY ${source} DESTINATION ${copy})
  string(REPLACE "::" "_" name ${target})
  add_library(${name} INTERFACE)
  target_include_directories(${name} SYSTEM INTERFACE ${copy})
  add_library(${target} ALIAS ${name})
endfunction()
