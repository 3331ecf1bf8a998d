# Builds each probe of the module's layers in the build tree and checks the outcome: the
# probes that include against the arrows fail on exactly that include, the one that keeps
# to them compiles.
#   cmake -DBUILD_DIR=<build> -P check.cmake
set(refused
  "cot_layering_dialog_includes_screen:proposal/screen/proposal_screen.h"
  "cot_layering_approval_includes_area:proposal/product_lines/product_line_area.h"
  "cot_layering_dialog_includes_approval:approval/approval_checks.h")
foreach(entry ${refused})
  string(REPLACE ":" ";" parts ${entry})
  list(GET parts 0 target)
  list(GET parts 1 header)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${target}
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(result EQUAL 0)
    message(FATAL_ERROR "${target} compiled: ${header} is reachable against the layers")
  endif()
  string(FIND "${out}" "${header}: No such file or directory" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "${target} failed for another reason than ${header}:\n${out}")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target cot_layering_reach_is_enough
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the reach probe does not compile:\n${out}")
endif()
