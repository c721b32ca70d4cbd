# The two ISO-card loaders, assembled from src/resources/loader with gpasm at build time into the
# Intel HEX texts the program carries (INHX32, 16-byte records, CR LF line ends).
find_program(KORVANE_GPASM gpasm REQUIRED)

# korvane_loader_image(<var> <resource name> <source>): sets <var> to the HEX text it builds.
# The processor comes from the source's own "list p=".
function(korvane_loader_image out_var name source)
  set(dir "${CMAKE_CURRENT_BINARY_DIR}/loader")
  file(MAKE_DIRECTORY "${dir}")
  set(lf "${dir}/${name}.lf.hex")
  set(out "${dir}/${name}")
  add_custom_command(OUTPUT "${out}"
    COMMAND ${KORVANE_GPASM} -q -a inhx32 -o "${lf}" "${source}"
    COMMAND ${CMAKE_COMMAND} -DIN=${lf} -DOUT=${out} -P ${PROJECT_SOURCE_DIR}/cmake/CrlfLines.cmake
    DEPENDS "${source}" ${PROJECT_SOURCE_DIR}/cmake/CrlfLines.cmake
    WORKING_DIRECTORY "${dir}"
    VERBATIM)
  set(${out_var} "${out}" PARENT_SCOPE)
endfunction()
