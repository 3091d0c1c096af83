# The program's libraries in layers: each may link and include only the
# layers below its own, so the dependency graph has no cycle and the map
# knows no test window. The folder of each library is given beside it. The
# window services draw the geometry's records, so they stand above it.
#
#   level  library        folder
set(KORVANE_LAYERS
    0 platform_core  platform
    1 geometry       geometry
    2 ui             ui
    2 stats          stats
    3 context        context
    4 map            map
    5 retrospective  retrospective
    5 prospective    prospective
    6 app            app)

function(korvane_layer_of target out)
  set(${out} "" PARENT_SCOPE)
  list(LENGTH KORVANE_LAYERS n)
  math(EXPR last "${n} - 1")
  foreach(i RANGE 0 ${last} 3)
    math(EXPR j "${i} + 1")
    list(GET KORVANE_LAYERS ${j} name)
    if(name STREQUAL target)
      list(GET KORVANE_LAYERS ${i} level)
      set(${out} ${level} PARENT_SCOPE)
      return()
    endif()
  endforeach()
endfunction()

# Fails the configuration when a library links one of its own layer or of a
# higher one (which is how a cycle would start).
function(korvane_check_layers)
  list(LENGTH KORVANE_LAYERS n)
  math(EXPR last "${n} - 1")
  foreach(i RANGE 0 ${last} 3)
    math(EXPR j "${i} + 1")
    list(GET KORVANE_LAYERS ${i} level)
    list(GET KORVANE_LAYERS ${j} target)
    get_target_property(links ${target} LINK_LIBRARIES)
    if(NOT links)
      continue()
    endif()
    foreach(link ${links})
      korvane_layer_of(${link} linked)
      if(NOT linked STREQUAL "" AND NOT linked LESS level)
        message(FATAL_ERROR "Layer rule broken: ${target} (layer ${level}) links ${link} (layer ${linked}); "
                            "a library may link only the layers below its own.")
      endif()
    endforeach()
  endforeach()
endfunction()
