# Renders every scene's shipped thumbnail with the program just built:
#   cmake -DPROGRAM=<lumenfall> -DOUT=<folder> -DSTAMP=<file> -P Thumbnails.cmake
# A scene that fails only warns: the application then takes the cache or renders it itself.
cmake_minimum_required(VERSION 3.25)

# Headless: Mesa's software rasteriser through EGL without any window system.
set(ENV{LIBGL_ALWAYS_SOFTWARE} 1)
set(ENV{EGL_PLATFORM} surfaceless)

file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${PROGRAM} list-scenes OUTPUT_VARIABLE listed RESULT_VARIABLE status ERROR_QUIET)
if(NOT status EQUAL 0)
  message(WARNING "no shipped thumbnails: ${PROGRAM} list-scenes failed (${status})")
  set(listed "")
endif()
string(REGEX MATCHALL "[^\n]+" scenes "${listed}")

# A scene that is gone, or failed this time, must not keep an old picture.
file(GLOB previous ${OUT}/*-thumb.png)
if(previous)
  file(REMOVE ${previous})
endif()
foreach(scene ${scenes})
  set(target ${OUT}/${scene}-thumb.png)
  execute_process(COMMAND ${PROGRAM} render ${scene} --size 576x324 --out ${target}
                  RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE problem)
  if(NOT status EQUAL 0)
    file(REMOVE ${target})
    message(WARNING "no shipped thumbnail for ${scene}: ${problem}")
  endif()
endforeach()
file(TOUCH ${STAMP})
