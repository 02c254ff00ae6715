# 7z.dll comes from Debian's 7zip source package, built once per source
# version and target into a cache outside the build tree; Client7z.dll
# compiles against that same tree's interface headers.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(PF_7Z_ARCH i686)
else()
  set(PF_7Z_ARCH x86_64)
endif()
set(PF_7Z_DIR ${CMAKE_BINARY_DIR}/7zip)
execute_process(
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/build-7zdll.sh ${PF_7Z_ARCH} ${PF_7Z_DIR}
  RESULT_VARIABLE pf_7z_result)
if(NOT pf_7z_result EQUAL 0)
  message(FATAL_ERROR "7z.dll could not be built (see above); run scripts/bootstrap.sh first")
endif()
set(PF_7Z_SOURCE ${PF_7Z_DIR}/src)
file(COPY ${PF_7Z_DIR}/7z.dll DESTINATION ${PF_BIN_DIR})
