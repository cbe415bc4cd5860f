# The compiler holds the layers: with the include directories CMake gives a library's sources,
# the headers of its own folder and of the libraries it links are found, and an include that runs
# up a layer or across ui folders is not.
#
#   cmake -DCXX=<compiler> -DWORK=<folder> -D<TARGET>=<include dirs joined by |>... -P this file
#
# Each case preprocesses a one-line source with one target's include directories.
cmake_minimum_required(VERSION 3.25)

set(failures 0)
function(probe target header expect)
  string(REPLACE "|" ";" dirs "${${target}}")
  set(flags)
  foreach(d IN LISTS dirs)
    list(APPEND flags "-I${d}")
  endforeach()
  string(MAKE_C_IDENTIFIER "${target}_${header}" name)
  set(src ${WORK}/${name}.cpp)
  file(WRITE ${src} "#include \"${header}\"\n")
  execute_process(COMMAND ${CXX} -std=c++20 -fPIC -E -o /dev/null ${flags} ${src}
                  RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
  if(expect STREQUAL "found" AND NOT rc EQUAL 0)
    message("FAIL: ${target} cannot include ${header}:\n${err}")
    math(EXPR failures "${failures} + 1")
  elseif(expect STREQUAL "refused" AND (rc EQUAL 0 OR NOT err MATCHES "${header}: No such file"))
    message("FAIL: ${target} may include ${header} (rc ${rc}):\n${err}")
    math(EXPR failures "${failures} + 1")
  else()
    message("ok: ${target} ${expect} ${header}")
  endif()
  set(failures ${failures} PARENT_SCOPE)
endfunction()

file(MAKE_DIRECTORY ${WORK})
# The bottom layer sees itself only.
probe(hvdevice device/device.h found)
probe(hvdevice settings/settings.h refused)
# A subsystem's logic sees the layers below it, never its own ui folder.
probe(hvcities cities/citydatabase.h found)
probe(hvcities settings/settings.h found)
probe(hvcities cities/ui/citiesuitexts.h refused)
probe(hvastro astro/ui/astrotexts.h refused)
# A ui folder sees its logic and the toolkit, never another ui folder nor the shell above.
probe(hvitemsui items/ui/alarmstexts.h found)
probe(hvitemsui items/alarms.h found)
probe(hvitemsui toolkit/window/strings.h found)
probe(hvitemsui cities/ui/citiesuitexts.h refused)
probe(hvitemsui astro/ui/astrotexts.h refused)
probe(hvitemsui shell/shellstrings.h refused)
probe(hvitemsui app/viewregistry.h refused)
# The clock views and the watch skins inside their folder are two ui folders.
probe(hvviews views/viewstrings.h found)
probe(hvviews views/skins/watchskin.h refused)
# The toolkit's window layer does not see the controls above it.
probe(hvwindow toolkit/controls/droplist.h refused)

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} include directories do not hold the layers")
endif()
