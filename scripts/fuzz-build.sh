# Sourced by the scripts/fuzz-*.sh scripts: builds fuzz target $1 in the clang tree
# build/fuzz (AddressSanitizer and UBSan) from the repository's top folder.
cmake -S . -B build/fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVT_SANITIZE=ON -DVT_FUZZ=ON -DVT_TESTS=OFF >/dev/null
cmake --build build/fuzz --target "$1" -j"${JOBS:-2}"
