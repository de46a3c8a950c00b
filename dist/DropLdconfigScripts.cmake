# Run by CPack after it has built the Debian package. CPack gives every package
# that holds libraries below /usr/lib postinst and postrm scripts that run
# ldconfig, even when the libraries lie in a private folder that the loader never
# searches, as ours do (/usr/lib/keplo). The scripts do nothing for us, and a
# postrm keeps the package's record behind after "apt remove" (dpkg holds such a
# package as removed-but-configured until it is purged): they are taken out again.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  set(tree "${package}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb --raw-extract "${package}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE "${tree}/DEBIAN/postinst" "${tree}/DEBIAN/postrm")
  execute_process(COMMAND dpkg-deb --root-owner-group --build "${tree}" "${package}"
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${tree}")
endforeach()
