# Where `cmake --install` puts Lyravox, and the Debian package `make package` builds from it.
include(GNUInstallDirs)

# Installed programs find the effect library in the library folder beside their bin/.
set(_lv_rpath "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")

if(TARGET effect)
  install(TARGETS effect LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/effect/include/lyravox/effect.h
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/lyravox)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/lyravox-effect.pc.in
                 ${CMAKE_BINARY_DIR}/lyravox-effect.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/lyravox-effect.pc
          DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()
if(TARGET lyravox-fx)
  set_target_properties(lyravox-fx PROPERTIES INSTALL_RPATH "${_lv_rpath}")
  install(TARGETS lyravox-fx RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

if(TARGET lyravox)
  set_target_properties(lyravox PROPERTIES INSTALL_RPATH "${_lv_rpath}")
  install(TARGETS lyravox RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # Shipped read-only data: share/lyravox (the demo song is added by tools/demo).
  install(FILES ${PROJECT_SOURCE_DIR}/data/default.pic DESTINATION ${CMAKE_INSTALL_DATADIR}/lyravox)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/help ${PROJECT_SOURCE_DIR}/data/res
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lyravox)
  if(EXISTS ${PROJECT_SOURCE_DIR}/data/skins)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/skins DESTINATION ${CMAKE_INSTALL_DATADIR}/lyravox)
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/lyravox.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/lyravox-mime.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME lyravox.xml)
  install(FILES ${PROJECT_SOURCE_DIR}/data/icons/lyravox.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/io.github.lyravox.Lyravox.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# The license in Debian's machine-readable form where Debian looks for it (CPack's DEB generator
# writes no copyright file of its own). The folder is the package's name: CMAKE_INSTALL_DOCDIR
# would say Lyravox.
install(FILES ${PROJECT_SOURCE_DIR}/data/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/lyravox)

# make package: a .deb with the player, the effect library and lyravox-fx. Debian's
# desktop-file-utils, shared-mime-info and hicolor-icon-theme refresh their caches through
# their own triggers when the package installs its files.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lyravox)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Lyravox developers <lyravox@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "karaoke player with synchronised lyrics and recording")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "karaoke player with synchronised lyrics and recording
 Lyravox plays local media and streams, highlights LRC lyrics in step with the
 music, records the singer over the accompaniment, removes lead vocals and
 shifts the key. It ships the effect library liblyravox-effect and lyravox-fx.")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Libraries loaded at run time rather than linked: the Qt platform plugin and the CJK font.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-noto-cjk, libgl1-mesa-dri")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio, xdg-utils, shared-mime-info, desktop-file-utils")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
