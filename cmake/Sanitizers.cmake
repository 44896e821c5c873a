# The one place that adds sanitizer flags; the presets choose them through ZORBASE_SANITIZE.
if(ZORBASE_SANITIZE)
  set(_zb_san_flags "-fsanitize=${ZORBASE_SANITIZE}" -fno-omit-frame-pointer -g)
  if(ZORBASE_SANITIZE MATCHES "undefined")
    list(APPEND _zb_san_flags -fno-sanitize-recover=undefined)
  endif()
  add_compile_options(${_zb_san_flags})
  add_link_options("-fsanitize=${ZORBASE_SANITIZE}")
endif()
