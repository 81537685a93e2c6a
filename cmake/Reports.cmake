# A report definition goes to reports/ beside the library, where the module
# opens it at run time (a deployment may edit it there); `target` waits for it.
function(pcp_report_definition target source)
  get_filename_component(name "${source}" NAME)
  set(copy ${CMAKE_LIBRARY_OUTPUT_DIRECTORY}/reports/${name})
  add_custom_command(OUTPUT ${copy}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_LIBRARY_OUTPUT_DIRECTORY}/reports
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
    DEPENDS ${source}
    COMMENT "Copying the report definition ${name}")
  get_filename_component(stem "${source}" NAME_WE)
  add_custom_target(${target}_${stem} ALL DEPENDS ${copy})
  add_dependencies(${target} ${target}_${stem})
endfunction()
