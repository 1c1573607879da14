# Run at build time (cmake -P) in the web build's folder, once the program is linked and the
# page's files are beside it: writes the service worker from its source, with the files it keeps
# and a cache version taken from their content, so that each new build replaces the old cache.
#   -DSOURCE=<service_worker.js> -DFOLDER=<build folder> -DFILES=<name,name,...>
string(REPLACE "," ";" FILES "${FILES}")
file(SHA256 "${SOURCE}" _sum)
set(_sums "sw.js ${_sum}\n")
foreach(_name IN LISTS FILES)
  file(SHA256 "${FOLDER}/${_name}" _sum)
  string(APPEND _sums "${_name} ${_sum}\n")
endforeach()
string(SHA256 _version "${_sums}")
string(SUBSTRING "${_version}" 0 16 QUORVANE_CACHE_VERSION)
list(JOIN FILES "', '" QUORVANE_KEPT_FILES)
set(QUORVANE_KEPT_FILES "'${QUORVANE_KEPT_FILES}'")
configure_file("${SOURCE}" "${FOLDER}/sw.js" @ONLY)
