# Adds every immediate subdirectory of the current source directory that has a CMakeLists.txt,
# in name order, so that a new tool or test area needs no edit of its parent. Directories named in
# the cache list KELVO_SKIP_DIRECTORIES (paths relative to the source root) are left out.
set(KELVO_SKIP_DIRECTORIES "" CACHE STRING "Source directories to leave out of the build")
function(kelvo_add_all_subdirectories)
  file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child ${children})
    file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${child})
    if(relative IN_LIST KELVO_SKIP_DIRECTORIES)
      continue()
    endif()
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
