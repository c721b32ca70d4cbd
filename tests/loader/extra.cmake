# The loader tests reassemble the loader sources with the same gpasm the build uses.
target_compile_definitions(test_loader PRIVATE
  KORVANE_GPASM="${KORVANE_GPASM}" KORVANE_LOADER_SOURCE_DIR="${KORVANE_LOADER_SOURCE_DIR}")
