# Helpers shared by the project's CMake files.

# Warnings for the project's own targets.
function(corvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# Collects the sources of a set of folders (one layer or subsystem each) and
# returns them with the folders themselves as include directories.
function(corvane_collect out_sources out_dirs)
  set(srcs)
  set(dirs)
  foreach(dir IN LISTS ARGN)
    file(GLOB s CONFIGURE_DEPENDS ${dir}/*.cpp)
    list(APPEND srcs ${s})
    list(APPEND dirs ${dir})
  endforeach()
  set(${out_sources} ${srcs} PARENT_SCOPE)
  set(${out_dirs} ${dirs} PARENT_SCOPE)
endfunction()

# Adds the public headers of folders to the installed header set.
function(corvane_install_headers)
  foreach(dir IN LISTS ARGN)
    file(GLOB h CONFIGURE_DEPENDS ${dir}/*.h)
    install(FILES ${h} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/corvane)
  endforeach()
endfunction()
