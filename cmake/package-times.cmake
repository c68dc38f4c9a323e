# Read by cpack before it packs: every file in the zip gets one fixed time,
# so that the same sources give the same zip. CPack's archive generators
# take it from SOURCE_DATE_EPOCH. Unless the caller set one, it is the time
# of the checkout's last commit, and outside a git checkout the earliest
# time a zip can hold (1980-01-01). Zip times are local: they are written
# as UTC wherever the package is made.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(_dravlen_epoch 315532800)
  find_program(_dravlen_git git)
  if(_dravlen_git)
    execute_process(COMMAND ${_dravlen_git} -C ${CPACK_DRAVLEN_SOURCE_DIR} log -1 --format=%ct
                    OUTPUT_VARIABLE _dravlen_commit_time OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE _dravlen_git_status ERROR_QUIET)
    if(_dravlen_git_status EQUAL 0 AND _dravlen_commit_time MATCHES "^[0-9]+$")
      set(_dravlen_epoch ${_dravlen_commit_time})
    endif()
  endif()
  set(ENV{SOURCE_DATE_EPOCH} ${_dravlen_epoch})
endif()
set(ENV{TZ} UTC)
