# Embeds the fixed presentation parts under resources/scaffold/ into mosavelle-export.
#
# Included from src/core/CMakeLists.txt, it adds a generated source that holds every scaffold file
# as a byte array. `readScaffoldFile` (scaffold.cpp) refers to that array, so a build that lacks
# the generated source does not link. Run as a script (cmake -P) it writes that source.

if(CMAKE_SCRIPT_MODE_FILE)
  # Script mode: SCAFFOLD_DIR and OUTPUT are given with -D. Which parts a package needs is listed
  # once, in scaffold.h; the scaffold test reads every one of them.
  file(GLOB_RECURSE files RELATIVE ${SCAFFOLD_DIR} ${SCAFFOLD_DIR}/*)
  list(SORT files)
  set(arrays "")
  set(table "")
  set(index 0)
  foreach(path IN LISTS files)
    file(READ ${SCAFFOLD_DIR}/${path} hex HEX)
    string(LENGTH "${hex}" digits)
    math(EXPR size "${digits} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(APPEND arrays "const unsigned char part${index}[${size}] = {\n    ${bytes}};\n")
    string(APPEND table "    {\"${path}\", part${index}, ${size}},\n")
    math(EXPR index "${index} + 1")
  endforeach()
  file(WRITE ${OUTPUT}.tmp
       "// Generated from resources/scaffold by src/core/export/Scaffold.cmake. Do not edit.\n"
       "#include \"core/export/scaffold.h\"\n\n"
       "namespace mosavelle::detail {\nnamespace {\n${arrays}}  // namespace\n\n"
       "const EmbeddedScaffoldFile embeddedScaffoldFiles[] = {\n${table}};\n"
       "const std::size_t embeddedScaffoldFileCount = ${index};\n\n"
       "}  // namespace mosavelle::detail\n")
  file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
  file(REMOVE ${OUTPUT}.tmp)
  return()
endif()

set(scaffold_dir ${PROJECT_SOURCE_DIR}/resources/scaffold)
file(GLOB_RECURSE scaffold_files CONFIGURE_DEPENDS ${scaffold_dir}/*)
set(scaffold_source ${CMAKE_CURRENT_BINARY_DIR}/generated/scaffold_data.cpp)
add_custom_command(
  OUTPUT ${scaffold_source}
  COMMAND ${CMAKE_COMMAND} -DSCAFFOLD_DIR=${scaffold_dir} -DOUTPUT=${scaffold_source} -P
          ${CMAKE_CURRENT_LIST_FILE}
  DEPENDS ${scaffold_files} ${CMAKE_CURRENT_LIST_FILE}
  COMMENT "Embedding the presentation scaffold"
  VERBATIM)
target_sources(mosavelle-export PRIVATE ${scaffold_source})
