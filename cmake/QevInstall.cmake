# Install layout shared by the library, the program and the tool: RUNPATHs and
# data paths relative to the installed program, so that `cmake --install build
# --prefix DIR` works for any DIR with nothing rewritten or relinked.
include(GNUInstallDirs)

file(RELATIVE_PATH QEV_BIN_TO_LIB ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
file(RELATIVE_PATH QEV_BIN_TO_DATA ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR})

# An executable linked to libqevgfx finds it through $ORIGIN. Where the build
# tree has the same shape as the install tree (app/ or cli/ beside lib/, bin/
# beside lib/), the build uses the install RUNPATH too, so that install leaves
# the file alone. A library directory the loader searches anyway gets no
# RUNPATH once installed (CMake removes the build-tree one).
function(qev_relocatable_runpath target)
  if("${CMAKE_INSTALL_FULL_LIBDIR}" IN_LIST CMAKE_CXX_IMPLICIT_LINK_DIRECTORIES)
    return()
  endif()
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "\$ORIGIN/${QEV_BIN_TO_LIB}")
  if(QEV_BIN_TO_LIB STREQUAL "../lib")
    set_target_properties(${target} PROPERTIES BUILD_WITH_INSTALL_RPATH ON)
  endif()
endfunction()
