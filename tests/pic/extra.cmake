# The 18F bench tests program an image gpasm wrote from tests/data (see tests/files/extra.cmake).
if(TARGET files_fixtures)
  add_dependencies(test_pic files_fixtures)
  target_compile_definitions(test_pic PRIVATE KORVANE_GPASM_FIXTURES="${CMAKE_CURRENT_BINARY_DIR}/files_fixtures")
endif()
