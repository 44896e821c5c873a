# The one place that adds sanitizer flags; the presets choose them through ZORBASE_SANITIZE.
if(ZORBASE_SANITIZE)
  set(_zb_san_flags "-fsanitize=${ZORBASE_SANITIZE}" -fno-omit-frame-pointer -g)
  if(ZORBASE_SANITIZE MATCHES "undefined")
    list(APPEND _zb_san_flags -fno-sanitize-recover=undefined)
  endif()
  add_compile_options(${_zb_san_flags})
  add_link_options("-fsanitize=${ZORBASE_SANITIZE}")
endif()

# Fuzzing builds instrument the whole library for coverage, not only the fuzz targets.
if(ZORBASE_BUILD_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
endif()
