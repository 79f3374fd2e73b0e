# The hardening Debian builds its packages with (dpkg-buildflags with
# hardening=+all): stack protector, format checks, fortified libc calls in
# optimised builds, read-only relocations bound at start-up. Every build but
# the sanitizer build gets them, so the suite tests what the package ships.
if(TELLWYN_SANITIZE)
    return()
endif()
add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
add_link_options(-Wl,-z,relro -Wl,-z,now)

# Ubuntu's compiler, and dpkg-buildflags' CXXFLAGS, define _FORTIFY_SOURCE
# already (Ubuntu at level 3); defining it again would warn.
include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_FLAGS -O2)
check_cxx_source_compiles("#ifdef _FORTIFY_SOURCE
#error defined
#endif
int main() { return 0; }" TELLWYN_FORTIFY_UNDEFINED)
unset(CMAKE_REQUIRED_FLAGS)
if(TELLWYN_FORTIFY_UNDEFINED)
    add_compile_definitions($<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
endif()
