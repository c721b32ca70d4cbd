# HEX fixtures written by another tool: our own sources in tests/data, assembled with gpasm
# (gputils) at build time. Without gpasm the fixture tests skip themselves.
find_program(KORVANE_GPASM gpasm)
set(fixture_dir ${CMAKE_CURRENT_BINARY_DIR}/files_fixtures)
if(KORVANE_GPASM)
  set(fixture_outputs)
  foreach(name p16f84 p16f628 p16f877 p18f242 p18f452)
    if(name MATCHES "^p18")
      set(format inhx32)
    else()
      set(format inhx8m)
    endif()
    set(src ${CMAKE_CURRENT_SOURCE_DIR}/data/${name}.asm)
    set(out ${fixture_dir}/${name}.hex)
    # -w 2: the 18F ID bytes lie outside program memory, which gpasm warns about.
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${fixture_dir}
      COMMAND ${KORVANE_GPASM} -q -w 2 -a ${format} -o ${out} ${src}
      DEPENDS ${src}
      WORKING_DIRECTORY ${fixture_dir}
      COMMENT "gpasm ${name}.asm")
    list(APPEND fixture_outputs ${out})
  endforeach()
  add_custom_target(files_fixtures DEPENDS ${fixture_outputs})
  add_dependencies(test_files files_fixtures)
  target_compile_definitions(test_files PRIVATE KORVANE_GPASM_FIXTURES="${fixture_dir}")
else()
  message(WARNING "gpasm not found: the HEX fixture tests are skipped (install gputils)")
endif()
