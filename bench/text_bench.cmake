# The INI benchmark compares against inih (Debian's libinih-dev); only this program links it.
target_link_libraries(${name} PRIVATE inih)
