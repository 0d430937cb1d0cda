# A subsystem is one folder of src/ built into one static library; every
# .cpp below it belongs to it, so adding a file needs no edit here.
function(mediaconv_subsystem name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(mc_${name} STATIC ${sources})
  target_include_directories(mc_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(mc_${name} PUBLIC ${ARG_DEPENDS})
endfunction()
