# The module is built in layers, each an object library of its own rank that
# may use only the layers of a lower rank:
#
#   1 pcp_data     data/     values and database (no widgets)
#   2 pcp_ui       ui/       UI services and controls
#   3 pcp_report   report/   the report engine
#   4 pcp_suite    suite/    suite components and the shared procedures
#   5 pcp_store    store/    the vouchers as stored: save, cancellation, reversal (no widgets)
#   6 pcp_voucher  voucher/  the voucher window and the line dialog
#   7 pcp_book     book/     the payments book window
#   8 pcp_count    count/    the cash count and float windows, the replenishment request
#   9 pcp_register register/ the register, its commands and the reason dialog
#  10 PettyCashPayments  module/  the module entry (the shared library)
#
# pcp_layer() records which layer each source belongs to; pcp_check_layers()
# reads every #include of every layer's sources at configure time and stops
# the build when a file includes a header of a higher layer, or when a layer
# without widgets (pcp_no_widgets: data, store) includes a header of Qt Widgets.

set_property(GLOBAL PROPERTY PCP_LAYERS "")
set_property(GLOBAL PROPERTY PCP_NO_WIDGETS "")

# The layer's sources may not include a header of Qt Widgets, nor one of a
# layer built on widgets (pcp_widget_layer).
function(pcp_no_widgets target)
  set_property(GLOBAL APPEND PROPERTY PCP_NO_WIDGETS ${target})
endfunction()

function(pcp_widget_layer target)
  set_property(GLOBAL APPEND PROPERTY PCP_WIDGET_LAYERS ${target})
endfunction()

# The file names of Qt Widgets' headers (QWidget, QLineEdit, qwidget.h ...).
function(pcp_widget_headers out)
  get_target_property(dirs Qt6::Widgets INTERFACE_INCLUDE_DIRECTORIES)
  set(names "")
  foreach(dir IN LISTS dirs)
    if(dir MATCHES "QtWidgets$" AND IS_DIRECTORY "${dir}")
      file(GLOB headers RELATIVE "${dir}" "${dir}/*")
      list(APPEND names ${headers})
    endif()
  endforeach()
  set(${out} "${names}" PARENT_SCOPE)
endfunction()

function(pcp_layer target rank)
  set_property(GLOBAL APPEND PROPERTY PCP_LAYERS ${target})
  set_property(GLOBAL PROPERTY PCP_LAYER_RANK_${target} ${rank})
  foreach(src IN LISTS ARGN)
    get_filename_component(abs "${src}" ABSOLUTE)
    set_property(GLOBAL APPEND PROPERTY PCP_LAYER_SOURCES_${target} "${abs}")
    set_property(GLOBAL PROPERTY PCP_RANK_OF_${abs} ${rank})
    set_property(GLOBAL PROPERTY PCP_LAYER_OF_${abs} ${target})
  endforeach()
endfunction()

function(pcp_resolve_include out file inc)
  get_filename_component(dir "${file}" DIRECTORY)
  get_filename_component(local "${dir}/${inc}" ABSOLUTE)
  if(EXISTS "${local}")
    set(${out} "${local}" PARENT_SCOPE)
  else()
    get_filename_component(rooted "${PROJECT_SOURCE_DIR}/${inc}" ABSOLUTE)
    set(${out} "${rooted}" PARENT_SCOPE)
  endif()
endfunction()

function(pcp_check_layers)
  get_property(layers GLOBAL PROPERTY PCP_LAYERS)
  get_property(no_widgets GLOBAL PROPERTY PCP_NO_WIDGETS)
  get_property(widget_layers GLOBAL PROPERTY PCP_WIDGET_LAYERS)
  pcp_widget_headers(widget_headers)
  set(faults "")
  foreach(layer IN LISTS layers)
    get_property(rank GLOBAL PROPERTY PCP_LAYER_RANK_${layer})
    get_property(sources GLOBAL PROPERTY PCP_LAYER_SOURCES_${layer})
    foreach(file IN LISTS sources)
      if(layer IN_LIST no_widgets)
        file(STRINGS "${file}" system_lines REGEX "^[ \t]*#[ \t]*include[ \t]+<")
        foreach(line IN LISTS system_lines)
          string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+<([^>]+)>.*" "\\1" inc "${line}")
          string(REGEX REPLACE "^QtWidgets/" "" name "${inc}")
          if(name IN_LIST widget_headers)
            file(RELATIVE_PATH rel "${PROJECT_SOURCE_DIR}" "${file}")
            list(APPEND faults "  ${rel} (${layer}) includes <${inc}> (Qt Widgets)")
          endif()
        endforeach()
      endif()
      file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]+\"")
      foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([^\"]+)\".*" "\\1" inc "${line}")
        pcp_resolve_include(target_file "${file}" "${inc}")
        get_property(inc_rank GLOBAL PROPERTY PCP_RANK_OF_${target_file})
        get_property(inc_layer GLOBAL PROPERTY PCP_LAYER_OF_${target_file})
        if(inc_rank AND inc_rank GREATER rank)
          file(RELATIVE_PATH rel "${PROJECT_SOURCE_DIR}" "${file}")
          list(APPEND faults "  ${rel} (${layer}) includes ${inc} (${inc_layer})")
        elseif(inc_layer AND layer IN_LIST no_widgets AND inc_layer IN_LIST widget_layers)
          file(RELATIVE_PATH rel "${PROJECT_SOURCE_DIR}" "${file}")
          list(APPEND faults "  ${rel} (${layer}) includes ${inc} (${inc_layer}, built on widgets)")
        endif()
      endforeach()
    endforeach()
  endforeach()
  if(faults)
    list(JOIN faults "\n" text)
    message(FATAL_ERROR "A layer includes a header of a layer above it:\n${text}")
  endif()
endfunction()
