# Turns every file under a directory, and any generated files named after it, into byte arrays
# compiled into the core, so the program carries its loader images, font and icons without
# reading anything from disk.
# korvane_embed_resources(<out_var> <dir> [<name> <generated file>]...)
# Lookup: korvane::embedded_resource("name.ext") (see src/util/resources.h).
function(korvane_embed_resources out_var dir)
  file(GLOB_RECURSE files CONFIGURE_DEPENDS "${dir}/*")
  set(pairs "")
  foreach(f IN LISTS files)
    file(RELATIVE_PATH rel "${dir}" "${f}")
    list(APPEND pairs "${rel}" "${f}")
  endforeach()
  list(APPEND pairs ${ARGN})
  set(gen_dir "${CMAKE_CURRENT_BINARY_DIR}/embedded")
  file(MAKE_DIRECTORY "${gen_dir}")
  set(table_entries "")
  set(sources "")
  set(i 0)
  list(LENGTH pairs n)
  while(n GREATER 0)
    list(POP_FRONT pairs rel f)
    math(EXPR n "${n} - 2")
    set(out "${gen_dir}/res_${i}.cpp")
    add_custom_command(OUTPUT "${out}"
      COMMAND ${CMAKE_COMMAND} -DIN=${f} -DOUT=${out} -DSYM=korvane_res_${i} -P ${PROJECT_SOURCE_DIR}/cmake/EmbedOne.cmake
      DEPENDS "${f}" ${PROJECT_SOURCE_DIR}/cmake/EmbedOne.cmake VERBATIM)
    list(APPEND sources "${out}")
    string(APPEND decls "extern const unsigned char korvane_res_${i}[]; extern const std::size_t korvane_res_${i}_size;\n")
    string(APPEND table_entries "  {\"${rel}\", korvane_res_${i}, korvane_res_${i}_size},\n")
    math(EXPR i "${i} + 1")
  endwhile()
  set(table "${gen_dir}/resource_table.cpp")
  file(WRITE "${table}.in"
"#include <cstddef>\n#include \"util/resources.h\"\n${decls}\nnamespace korvane {\nnamespace {\nstruct Entry { const char* name; const unsigned char* data; std::size_t size; };\nconst Entry entries[] = {\n${table_entries}  {nullptr, nullptr, 0}\n};\n}\nstd::span<const unsigned char> embedded_resource(std::string_view name) {\n  for (const Entry* e = entries; e->name; ++e)\n    if (name == e->name) return {e->data, e->size};\n  return {};\n}\n}\n")
  configure_file("${table}.in" "${table}" COPYONLY)
  list(APPEND sources "${table}")
  set(${out_var} ${sources} PARENT_SCOPE)
endfunction()
