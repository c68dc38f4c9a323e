# The package a Windows user downloads: `cmake --build --preset windows-x86
# --target package` writes dravlen-<version>-win32.zip into the build folder,
# holding dravlen.exe, dravlen-list.exe and README.txt, and SHA256SUMS
# beside it.
#
# The same sources give the same zip. CPack adds the files of one component
# in the order the file system lists them, but the components in the order
# of their names, so each file is a component of its own; package-times.cmake
# fixes the files' times. CPack before CMake 4.3 also records the numeric
# user and group of whoever builds the package (CPACK_ARCHIVE_UID and _GID
# fix them from 4.3 on), so with this project's CMake 3.25 two builds give
# the same zip when the same account makes them.

set(_dravlen_readme_txt ${CMAKE_CURRENT_BINARY_DIR}/README.txt)
add_custom_command(
  OUTPUT ${_dravlen_readme_txt}
  COMMAND ${CMAKE_COMMAND} -DREADME=${CMAKE_CURRENT_SOURCE_DIR}/README.md
          -DOUTPUT=${_dravlen_readme_txt} -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/readme-txt.cmake
  DEPENDS README.md cmake/readme-txt.cmake
  COMMENT "Writing README.txt for the package")
add_custom_target(dravlen_readme_txt ALL DEPENDS ${_dravlen_readme_txt})

install(TARGETS dravlen RUNTIME DESTINATION . COMPONENT program)
install(TARGETS dravlen-list RUNTIME DESTINATION . COMPONENT program-list)
install(FILES ${_dravlen_readme_txt} DESTINATION . COMPONENT readme)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(_dravlen_platform win64)
else()
  set(_dravlen_platform win32)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME dravlen)
set(CPACK_PACKAGE_FILE_NAME dravlen-${PROJECT_VERSION}-${_dravlen_platform})
# The files at the top of the zip, not in a folder of their own.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_ARCHIVE_UID 0)
set(CPACK_ARCHIVE_GID 0)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_SOURCE_DIR}/cmake/package-times.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_SOURCE_DIR}/cmake/package-sums.cmake)
# For package-times.cmake, which cpack reads when it runs.
set(CPACK_DRAVLEN_SOURCE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
include(CPack)
