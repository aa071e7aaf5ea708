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
    share/doc/vellacor/manual.html)
  if(NOT EXISTS ${root}/${file})
    message(FATAL_ERROR "missing after install: ${file}")
  endif()
endforeach()
file(GLOB corvale_libs ${root}/lib*/libcorvale.so*)
if(NOT corvale_libs)
  message(FATAL_ERROR "missing after install: libcorvale")
endif()
# A package build leaves the system's caches alone.
if(EXISTS ${root}/share/mime/mime.cache)
  message(FATAL_ERROR "the mime cache was built inside DESTDIR")
endif()
