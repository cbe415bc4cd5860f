# Regenerates the city files into OUT and compares them with the committed ones in SRC. The files
# hold the rules of the tzdata they were made from; on a system with another tzdata the comparison
# says so and is skipped (the test's SKIP_REGULAR_EXPRESSION).
file(STRINGS ${SRC}/cities-report.txt report LIMIT_COUNT 1)
string(REGEX MATCH "\\(tzdata ([^)]*)\\)" _ "${report}")
set(made "${CMAKE_MATCH_1}")
set(here "unknown")
if(EXISTS /usr/share/zoneinfo/tzdata.zi)
  file(STRINGS /usr/share/zoneinfo/tzdata.zi version LIMIT_COUNT 1 REGEX "^# version ")
  string(REPLACE "# version " "" here "${version}")
endif()
if(NOT made STREQUAL here)
  message(STATUS "skipped: the city files were made from tzdata ${made} and this system has "
                 "${here}; regenerate them with hv_gencities --csv data/cities.csv --out data "
                 "--year ${YEAR}")
  return()
endif()
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${GEN} --csv ${SRC}/cities.csv --out ${OUT} --year ${YEAR} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "hv_gencities failed (${rc})")
endif()
foreach(f africa.cdb asia.cdb australia.cdb europe.cdb namerica.cdb samerica.cdb cities-report.txt)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SRC}/${f} ${OUT}/${f} RESULT_VARIABLE diff)
  if(NOT diff EQUAL 0)
    message(FATAL_ERROR "data/${f} differs from a fresh generation for ${YEAR}: regenerate with "
                        "hv_gencities --csv data/cities.csv --out data --year ${YEAR}")
  endif()
endforeach()
message(STATUS "city files match a fresh generation for ${YEAR}")
