# Checks that every #include goes down the layers, never up or sideways:
#   LumenKit: core -> catalog -> policy, sky, weather -> scenes/<scene> (never another scene's)
#   app: gpu (gl/ inside it) -> scenekit -> render, scenes/<scene> -> platform, services -> desktop
#        -> ui, app; render and scenekit never see a concrete scene.
# Run as: cmake -DROOT=<source tree> -P Layering.cmake
cmake_minimum_required(VERSION 3.25)

set(problems)

# check(<folder> <allowed include prefixes>...): every quoted include of the folder's sources
# (tests included) must start with one of the prefixes or name a file of the folder itself.
function(check folder)
  file(GLOB_RECURSE files "${ROOT}/${folder}/*.hpp" "${ROOT}/${folder}/*.cpp")
  foreach(file ${files})
    file(STRINGS ${file} lines REGEX "^#include \"")
    get_filename_component(dir ${file} DIRECTORY)
    foreach(line ${lines})
      string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${line}")
      if(EXISTS "${dir}/${included}")
        continue()  # beside the file
      endif()
      set(allowed FALSE)
      foreach(prefix ${ARGN})
        string(FIND "${included}" "${prefix}" at)
        if(at EQUAL 0)
          set(allowed TRUE)
          break()
        endif()
      endforeach()
      if(NOT allowed)
        file(RELATIVE_PATH shown ${ROOT} ${file})
        list(APPEND problems "${shown} includes ${included}")
      endif()
    endforeach()
  endforeach()
  set(problems ${problems} PARENT_SCOPE)
endfunction()

set(kit_base LumenKit/core/ LumenKit/catalog/)
check(LumenKit/core LumenKit/core/ LumenKit/testsupport/)
check(LumenKit/catalog ${kit_base})
check(LumenKit/policy ${kit_base} LumenKit/policy/)
check(LumenKit/sky ${kit_base} LumenKit/sky/)
check(LumenKit/weather ${kit_base} LumenKit/weather/)
file(GLOB kit_scenes LIST_DIRECTORIES true "${ROOT}/LumenKit/scenes/*")
foreach(scene ${kit_scenes})
  file(RELATIVE_PATH folder ${ROOT} ${scene})
  check(${folder} ${kit_base} LumenKit/sky/ LumenKit/weather/ ${folder}/ LumenKit/testsupport/)
endforeach()

set(kit LumenKit/core/ LumenKit/catalog/ LumenKit/policy/ LumenKit/sky/ LumenKit/weather/)
check(LumenfallApp/gpu gpu/)
check(LumenfallApp/log log/)
check(LumenfallApp/scenekit gpu/ log/ scenekit/ LumenKit/core/ LumenKit/catalog/ LumenKit/sky/ LumenKit/weather/)
check(LumenfallApp/render gpu/ log/ scenekit/ render/ ${kit})
file(GLOB app_scenes LIST_DIRECTORIES true "${ROOT}/LumenfallApp/scenes/*")
foreach(scene ${app_scenes})
  if(IS_DIRECTORY ${scene})
    get_filename_component(name ${scene} NAME)
    # A scene sees the scene kit, the GPU layer and the LumenKit models, never the host or
    # another scene; its tests also use the shared test rigs.
    check(LumenfallApp/scenes/${name} gpu/ log/ scenekit/ scenes/${name}/ ${kit} LumenKit/scenes/ support/)
  endif()
endforeach()
check(LumenfallApp/platform gpu/ log/ render/ platform/ ${kit})
check(LumenfallApp/services log/ platform/ services/ ${kit})
check(LumenfallApp/desktop gpu/ log/ scenekit/ render/ platform/ desktop/ ${kit})

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "includes that go against the layers:\n  ${text}")
endif()
message(STATUS "every include follows the layers")
