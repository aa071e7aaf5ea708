# Installs the build into a staging folder as a package build would
# (DESTDIR, prefix /usr/local) and checks that the desktop finds its pieces.
file(REMOVE_RECURSE ${STAGE})
set(ENV{DESTDIR} ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr/local
  RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "install failed: ${result}")
endif()
set(root ${STAGE}/usr/local)
foreach(file
    bin/vellacor
    share/applications/vellacor.desktop
    share/mime/packages/vellacor.xml
    share/icons/hicolor/scalable/apps/vellacor.svg
    share/icons/hicolor/scalable/mimetypes/application-x-idealoom-outline.svg
    share/icons/hicolor/scalable/mimetypes/application-x-idealoom-template.svg
    share/doc/vellacor/manual.html
    share/vellacor/html/outline-template.html
    share/vellacor/html/outline.rules
    bin/corvale
    bin/vellacor-convert
    bin/vellacor-setup
    bin/palm-desktop
    bin/tarnvel
    lib/vellacor/libTavish.so
    lib/vellacor/libMirrick.so
    lib/vellacor/libKXNotify.so
    bin/hotsync
    lib/libInstaide.so
    lib/libUserData.so
    lib/libCondMgr.so
    lib/libTarnvel.so)
  if(NOT EXISTS ${root}/${file})
    message(FATAL_ERROR "missing after install: ${file}")
  endif()
endforeach()
file(GLOB corvale_libs ${root}/lib*/libcorvale.so*)
if(NOT corvale_libs)
  message(FATAL_ERROR "missing after install: libcorvale")
endif()
# Every installed program starts from the installed libraries alone: none
# is missing and none comes from the build tree.
find_program(LDD ldd)
if(LDD)
  foreach(program vellacor corvale vellacor-convert vellacor-setup palm-desktop tarnvel)
    execute_process(COMMAND ${LDD} ${root}/bin/${program}
      OUTPUT_VARIABLE linked RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "ldd failed on ${program}")
    endif()
    if(linked MATCHES "not found")
      message(FATAL_ERROR "${program} lacks a library once installed:\n${linked}")
    endif()
    string(FIND "${linked}" "${BUILD_DIR}/lib/" fromBuild)
    if(NOT fromBuild EQUAL -1)
      message(FATAL_ERROR "${program} uses a library of the build tree:\n${linked}")
    endif()
  endforeach()
  # The installed program runs: its help lists the conversion option.
  execute_process(COMMAND ${root}/bin/vellacor --help
    OUTPUT_VARIABLE help RESULT_VARIABLE result)
  if(NOT result EQUAL 0 OR NOT help MATCHES "convert-to")
    message(FATAL_ERROR "the installed program does not run: ${result}\n${help}")
  endif()
endif()
# A package build leaves the system's caches alone.
if(EXISTS ${root}/share/mime/mime.cache)
  message(FATAL_ERROR "the mime cache was built inside DESTDIR")
endif()
