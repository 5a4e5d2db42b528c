#!/usr/bin/env bash
# The unit and widget tests built with ASan, UBSan and LSan (any report fails). Root passes
# every permission check, so as root they run as an ordinary user: the owner of the source
# tree, or when that is root $TEST_USER, or else a user and group id that no account or group
# uses (no account is made), in the tests' own home.
# A tree that user cannot reach (a clone in a private home) is built from a copy in a fresh
# folder that only root can reach while root builds; only then may the user enter it. Root
# never runs anything from a folder another user could have written, and the copy is removed
# when the script ends, whether the tests pass or not.
# usage: run-tests-as-user.sh <build folder>
set -euo pipefail
umask 022
source=$PWD build=$(realpath -m "$1") run=() scratch=
cleanup() {
    if [ -n "$scratch" ]; then
        rm -rf "$scratch"
    elif [ ${#run[@]} -gt 0 ] && [ -d "$build/Testing" ]; then # what the user wrote goes back to the tree's owner
        chown -R "$(stat -c %u:%g "$source")" "$build/Testing" "$build/tests/home" "$build/tests/runtime" || true
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# The first id from 60000 up that is neither an account's nor a group's.
unused_id() {
    local id=60000
    while getent passwd "$id" >/dev/null || getent group "$id" >/dev/null; do id=$((id + 1)); done
    echo "$id"
}

if [ "$(id -u)" = 0 ]; then
    user=$(stat -c %u .) group=$(stat -c %g .)
    if [ "$user" = 0 ] && [ -n "${TEST_USER:-}" ]; then
        group=$(id -g "$TEST_USER") user=$(id -u "$TEST_USER")
    elif [ "$user" = 0 ]; then
        user=$(unused_id) group=$user
    fi
    run=(setpriv --reuid="$user" --regid="$group" --clear-groups)
    if ! "${run[@]}" test -r "$source/CMakeLists.txt"; then
        scratch=$(mktemp -d /var/tmp/ramtidy-tests.XXXXXXXX) # mode 0700, root's
        echo "User $user cannot reach $source: the tests are built from a copy in $scratch." >&2
        mkdir "$scratch/source"
        git ls-files -z | tar --null -T - -cf - | tar -xf - -C "$scratch/source"
        chmod -R a+rX "$scratch/source"
        source=$scratch/source build=$scratch/build
    fi
    run+=(env -u XDG_RUNTIME_DIR -u DBUS_SESSION_BUS_ADDRESS HOME="$build/tests/home")
fi
cmake -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRAMTIDY_SANITIZE=ON >/dev/null
cmake --build "$build"
cd "$build"
if [ ${#run[@]} -gt 0 ]; then
    # Built: the user may now read the copy, and write only where the tests write.
    [ -z "$scratch" ] || chmod 755 "$scratch"
    mkdir -p Testing
    chown -R "${run[1]#--reuid=}:${run[2]#--regid=}" Testing tests/home tests/runtime
fi
"${run[@]}" ctest --output-on-failure --timeout 300
