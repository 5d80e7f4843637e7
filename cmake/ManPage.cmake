# Writes a gzipped manual page for a program from its own --help and --version, so the manual
# never drifts from the program. Subcommands listed under "Subcommands:" in the help get a
# section each, with their own --help text.
#
#   cmake -DPROGRAM=path -DNAME=name -DSUMMARY=text -DOUTPUT=file.1.gz -DWORK=dir -P ManPage.cmake
foreach(required PROGRAM NAME SUMMARY OUTPUT WORK)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "ManPage.cmake needs -D${required}=...")
  endif()
endforeach()
find_program(HELP2MAN help2man REQUIRED)
find_program(GZIP gzip REQUIRED)
file(MAKE_DIRECTORY "${WORK}")

execute_process(COMMAND "${PROGRAM}" --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help failed (${status})")
endif()

# One ".SS" section per subcommand, its help kept as preformatted text.
set(include_text "")
string(REGEX MATCH "\nSubcommands:\n(([ ]+[^\n]*\n)+)" listing "${help}")
if(listing)
  string(REPLACE "\n" ";" lines "${CMAKE_MATCH_1}")
  foreach(line IN LISTS lines)
    if(line MATCHES "^  ([a-z][a-z0-9-]*)[ ]")
      set(sub "${CMAKE_MATCH_1}")
      execute_process(COMMAND "${PROGRAM}" ${sub} --help OUTPUT_VARIABLE subhelp
                      RESULT_VARIABLE status)
      if(NOT status EQUAL 0)
        message(FATAL_ERROR "${PROGRAM} ${sub} --help failed (${status})")
      endif()
      # roff: a backslash is written \e; a line may not begin with a dot or an apostrophe.
      string(REPLACE "\\" "\\e" subhelp "${subhelp}")
      string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" subhelp "${subhelp}")
      string(APPEND include_text ".SS \"${NAME} ${sub}\"\n.nf\n${subhelp}\n.fi\n")
    endif()
  endforeach()
endif()
set(include_option "")
if(include_text)
  set(include_file "${WORK}/${NAME}.h2m")
  file(WRITE "${include_file}" "[SUBCOMMANDS]\n${include_text}")
  set(include_option "--include=${include_file}")
endif()

set(page "${WORK}/${NAME}.1")
execute_process(
  COMMAND "${HELP2MAN}" --no-info --section=1 "--name=${SUMMARY}" ${include_option}
          "--output=${page}" "${PROGRAM}"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed for ${PROGRAM} (${status})")
endif()
# -n leaves the name and time out, so the page is the same for the same help text.
execute_process(COMMAND "${GZIP}" -9nf "${page}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip failed for ${page}")
endif()
file(RENAME "${page}.gz" "${OUTPUT}")
