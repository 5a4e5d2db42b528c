#!/usr/bin/env bash
# The unit and widget tests built with ASan, UBSan and LSan (any report fails). Root passes
# every permission check, so as root they run as an ordinary user: the owner of the source
# tree, or when that is root $TEST_USER (made when missing), in the tests' own home. A tree
# that user cannot reach (a clone in a private home) is built from a copy where they can.
# usage: run-tests-as-user.sh <build folder>
set -euo pipefail
source=$PWD build=$1 run=()
if [ "$(id -u)" = 0 ]; then
    user=$(stat -c %u .) group=$(stat -c %g .)
    if [ "$user" = 0 ]; then
        user=${TEST_USER:-ramtidy-test}
        id -u "$user" >/dev/null 2>&1 || useradd --system --user-group --no-create-home \
            --home-dir /nonexistent --shell /usr/sbin/nologin "$user"
        group=$(id -g "$user") user=$(id -u "$user")
    fi
    run=(setpriv --reuid="$user" --regid="$group" --clear-groups)
    if ! "${run[@]}" test -r "$source/CMakeLists.txt"; then
        copy=/var/tmp/ramtidy-tests-$user
        echo "User $user cannot reach $source: the tests are built from a copy in $copy." >&2
        mkdir -p "$copy/source" && chmod 755 "$copy"
        git ls-files -z | tar --null -T - -cf - | tar -xf - -C "$copy/source"
        chmod -R a+rX "$copy/source"
        source=$copy/source build=$copy/build
    fi
    run+=(env -u XDG_RUNTIME_DIR -u DBUS_SESSION_BUS_ADDRESS HOME="$build/tests/home")
fi
cmake -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRAMTIDY_SANITIZE=ON >/dev/null
cmake --build "$build"
cd "$build"
if [ ${#run[@]} -gt 0 ]; then
    mkdir -p Testing
    chown -R "${run[1]#--reuid=}:${run[2]#--regid=}" Testing tests/home tests/runtime
fi
"${run[@]}" ctest --output-on-failure --timeout 300
