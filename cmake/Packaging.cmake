# What an installation holds besides the program's own files (installed by
# vellacor/resources): the outside components the program talks to, the
# installer command with its two helper libraries, and the Debian package
# that `make package` builds from all of it.

set(_libs docbridge Tarnvel Instaide UserData CondMgr)
set(_tools palm-desktop tarnvel hotsync vellacor-setup)
foreach(lib ${_libs})
  if(TARGET ${lib})
    install(TARGETS ${lib} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_SKIP)
  endif()
endforeach()
foreach(tool ${_tools})
  if(TARGET ${tool})
    install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
# The installer loads its helpers by path from lib/vellacor, where the
# HotSync notifier that it registers lies too.
foreach(lib Tavish Mirrick KXNotify)
  if(TARGET ${lib})
    install(TARGETS ${lib} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/vellacor NAMELINK_SKIP)
  endif()
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vellacor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Larkwell")
set(CPACK_PACKAGE_CONTACT "Vellacor developers <vellacor@larkwell.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop outliner and companion of the handheld outliner")
set(CPACK_PACKAGE_DESCRIPTION "Vellacor edits outlines: ordered trees of items with notes, \
drawings and check boxes, filed per handheld user, printed, imported and exported as OPML, \
Markdown, text, HTML, Word and Palm OS files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://larkwell.example/vellacor")
# The Qt and system libraries are found by dpkg-shlibdeps; what is loaded
# at run time is named here: SVG icons, the toolbar icon theme, the browser
# that shows the manual, and the desktop's caches for the file types.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, adwaita-icon-theme, xdg-utils, shared-mime-info")
set(CPACK_STRIP_FILES ON)
include(CPack)
