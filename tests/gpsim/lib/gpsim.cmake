# The gpsim driver and the differential runs against our PIC cores, shared by the tests
# (tests/gpsim) and the benchmarks (bench/); included by both, defined once.
if(NOT TARGET korvane_gpsim)
  file(GLOB korvane_gpsim_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
  add_library(korvane_gpsim STATIC ${korvane_gpsim_sources})
  target_link_libraries(korvane_gpsim PUBLIC korvane_core)
  # Included as "gpsim/lib/...".
  target_include_directories(korvane_gpsim PUBLIC ${CMAKE_CURRENT_LIST_DIR}/../..)
endif()
