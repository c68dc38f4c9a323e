# Run by cpack after it packs: writes SHA256SUMS beside the packages, in the
# form `sha256sum -c SHA256SUMS` checks.
set(_dravlen_sums "")
foreach(_dravlen_package IN LISTS CPACK_PACKAGE_FILES)
  file(SHA256 ${_dravlen_package} _dravlen_hash)
  get_filename_component(_dravlen_name ${_dravlen_package} NAME)
  string(APPEND _dravlen_sums "${_dravlen_hash}  ${_dravlen_name}\n")
endforeach()
file(WRITE ${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS "${_dravlen_sums}")
