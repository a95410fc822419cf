# Files that come with the program, the tool and the library besides their
# binaries (man pages, desktop entry, icon, Debian documents), and the four
# Debian packages that CPack makes from the install components:
#   Library      -> libqevgfx1          Development -> libqevgfx-dev
#   Program      -> qev-display-utility Tools       -> qevgfx-tools
set(QEV_DATA_DIR ${PROJECT_SOURCE_DIR}/data)
set(QEV_GZ_DIR ${PROJECT_BINARY_DIR}/data)
file(MAKE_DIRECTORY ${QEV_GZ_DIR})

# Man pages and changelogs gzipped as Debian ships them (-n: no time stamp).
set(QEV_GZ_FILES)
function(qev_gzip source output)
  add_custom_command(OUTPUT ${QEV_GZ_DIR}/${output}
                     COMMAND gzip -9n -c ${source} > ${QEV_GZ_DIR}/${output}
                     DEPENDS ${source} VERBATIM)
  set(QEV_GZ_FILES ${QEV_GZ_FILES} ${QEV_GZ_DIR}/${output} PARENT_SCOPE)
endfunction()
qev_gzip(${QEV_DATA_DIR}/man/QEVDisplayUtility.1 QEVDisplayUtility.1.gz)
qev_gzip(${QEV_DATA_DIR}/man/qevgfx.1 qevgfx.1.gz)
qev_gzip(${QEV_DATA_DIR}/man/libqevgfx.3 libqevgfx.3.gz)

set(QEV_PACKAGES Library libqevgfx1 Development libqevgfx-dev Program qev-display-utility Tools qevgfx-tools)
set(QEV_COMPONENTS Library Development Program Tools)
foreach(component ${QEV_COMPONENTS})
  list(FIND QEV_PACKAGES ${component} i)
  math(EXPR i "${i} + 1")
  list(GET QEV_PACKAGES ${i} PKG)
  configure_file(${QEV_DATA_DIR}/changelog.Debian.in ${QEV_GZ_DIR}/${PKG}.changelog.Debian @ONLY)
  qev_gzip(${QEV_GZ_DIR}/${PKG}.changelog.Debian ${PKG}.changelog.Debian.gz)
  install(FILES ${QEV_DATA_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${PKG} COMPONENT ${component})
  install(FILES ${QEV_GZ_DIR}/${PKG}.changelog.Debian.gz DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${PKG}
          RENAME changelog.Debian.gz COMPONENT ${component})
endforeach()
add_custom_target(qev_data ALL DEPENDS ${QEV_GZ_FILES})

install(FILES ${QEV_GZ_DIR}/QEVDisplayUtility.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Program)
install(FILES ${QEV_GZ_DIR}/qevgfx.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Tools)
install(FILES ${QEV_GZ_DIR}/libqevgfx.3.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man3 COMPONENT Development)
install(FILES ${QEV_DATA_DIR}/QEVDisplayUtility.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        COMPONENT Program)
install(FILES ${QEV_DATA_DIR}/icons/qev-display-utility.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps COMPONENT Program)

# ---- CPack: Debian packages --------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qev-display-utility)
set(CPACK_PACKAGE_VENDOR "QEV Display Utility developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "QEV Display Utility developers <qev-display@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL ${QEV_COMPONENTS})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps finds libqevgfx.so.1 in the build tree; the dependency on
# libqevgfx1 comes from the component dependencies below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/lib)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY "=")
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.org/qev-display-utility")

set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libqevgfx1)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
# The loader cache is refreshed by dpkg's ldconfig trigger; the scripts only
# keep CPack from writing ldconfig calls of its own.
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA ${QEV_DATA_DIR}/deb/triggers ${QEV_DATA_DIR}/deb/postinst
                                               ${QEV_DATA_DIR}/deb/postrm)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_COMPONENT_LIBRARY_DESCRIPTION "control library for QEV graphics adapters
libqevgfx talks to the QEV adapter's X driver (its private extension, RandR
and Xv) or, without X, to its framebuffer driver, and edits the X server
configuration for multi-screen layouts.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libqevgfx-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS Library)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
    "libx11-dev, libxext-dev, libxrandr-dev, libxv-dev, libx11-xcb-dev, libxcb1-dev, libxcb-randr0-dev")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION "control library for QEV graphics adapters (development files)
The C header, the link library, the pkg-config file qevgfx.pc and the
libqevgfx(3) manual page.")

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME qev-display-utility)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION x11)
set(CPACK_COMPONENT_PROGRAM_DEPENDS Library)
# dbus-glib is loaded at run time by the first apply request, so shlibdeps does not see it.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS "libdbus-glib-1-2")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_RECOMMENDS "x11-xserver-utils")
set(CPACK_COMPONENT_PROGRAM_DESCRIPTION "display control panel for QEV graphics adapters
QEVDisplayUtility is a GTK program with Info, Display, Gamma, Video and
Settings pages: outputs, clone and multi-screen layouts, resolutions, TV and
panel adjustments, gamma ramps, overlay colour and rotation.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME qevgfx-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_TOOLS_DEPENDS Library)
set(CPACK_DEBIAN_TOOLS_PACKAGE_RECOMMENDS "x11-xserver-utils")
set(CPACK_COMPONENT_TOOLS_DESCRIPTION "command-line tool for QEV graphics adapters
qevgfx queries and changes the QEV adapter from scripts: outputs, modes,
rotation, scaling, gamma, TV, panel, overlay, multi-screen and clone
settings, as text or JSON.")

include(CPack)
