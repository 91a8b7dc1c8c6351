# The release package, made by scripts/package: a zip of the exe, the user's
# guide as text and as a web page, the licence and the third-party notices. The
# texts are prepared by the script in ${CMAKE_BINARY_DIR}/package, in the one
# form that scripts/package explains.
install(TARGETS mirokate RUNTIME DESTINATION .)
install(FILES
  ${MIROKATE_GUIDE_PAGE}
  ${CMAKE_BINARY_DIR}/package/readme.txt
  ${CMAKE_BINARY_DIR}/package/LICENSE.txt
  ${CMAKE_BINARY_DIR}/package/THIRD-PARTY-NOTICES.txt
  DESTINATION .)
# Installing builds only the program, which the script has built; not the tests.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME mirokate)
set(CPACK_PACKAGE_FILE_NAME mirokate-${PROJECT_VERSION}-win32)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# Every file of the zip gets the commit's time, so two packages of one commit
# are the same bytes.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/PackageTimes.cmake)
include(CPack)
