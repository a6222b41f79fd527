# The apt repository's part of the package round trip (scripts/package-clean --round-trip): the
# repository served on 127.0.0.1 in the user's system, added there as its README.txt says, the
# program found in its catalogue, installed and upgraded through it, and apt's refusal of a
# repository changed after signing and of one signed by another key. Sourced; uses user,
# release, repository, version and next.
# shellcheck shell=bash

# apt_get SYSTEM ARGUMENTS...: apt-get in SYSTEM, its output in /root/apt.log there, which it
# prints; fails as apt-get does.
apt_get() {
    local status=0
    in_system "$1" sh -c "DEBIAN_FRONTEND=noninteractive apt-get $(printf '%q ' "${@:2}") \
        >/root/apt.log 2>&1" || status=$?
    sed 's/^/    /' "$1/root/apt.log"
    return "$status"
}

# serve FOLDER: what the web server serves from now on, in place of what it served; its files
# as copied to a web host, of the time they came, by which a server tells apt that they changed.
serve() {
    rm -rf "$user/srv/apt"
    cp -r "$1" "$user/srv/apt"
}

# updated_without_warning: apt-get update passes, and says nothing of the repository but that
# it fetched it.
updated_without_warning() {
    apt_get "$user" update || fail "apt-get update failed with the repository"
    ! grep -E '^(W|E|N):' "$user/root/apt.log" ||
        fail "apt-get update warned of the repository"
}

candidate() {
    in_system "$user" apt-cache policy bookkeeping | sed -n 's/^ *Candidate: //p'
}

install_from_repository() {
    local readme=$repository/README.txt address port
    echo "== The repository on 127.0.0.1, added as its README.txt says"
    in_system "$user" apt-get update -qq
    # What the README's commands use, and what reads catalogues for software centres: with it,
    # apt fetches the catalogue.
    apt_install "$user" --no-install-recommends python3 curl gpg appstream
    serve "$repository"
    in_system "$user" sh -c 'python3 -u -m http.server 0 --bind 127.0.0.1 --directory /srv/apt \
        >/root/server.log 2>&1 &'
    # The server's shell writes its log only once it runs, which under emulation on a busy
    # machine takes seconds.
    port=
    for _ in $(seq 300); do
        port=$(sed -n 's/.* port \([0-9]*\) .*/\1/p' "$user/root/server.log" 2>/dev/null) || true
        [ -z "$port" ] || break
        sleep 0.1
    done
    [ -n "$port" ] || fail "the web server did not start: $(cat "$user/root/server.log" 2>&1)"
    address=http://127.0.0.1:$port/
    # The key, fetched and checked against the fingerprint the README gives.
    in_system "$user" sh -c "$(sed -n '/curl -fsSL/,/keyring.pgp$/p' "$readme" |
        sed "s|https://HOST/PATH/|$address|")" || fail "the README's command did not fetch the key"
    fingerprint=$(grep -oE '^ +[0-9A-F]{40}$' "$readme" | tr -d ' ')
    in_system "$user" gpg --show-keys /etc/apt/keyrings/bookkeeping-archive-keyring.pgp |
        grep -q "$fingerprint" || fail "the key is not the one whose fingerprint the README gives"
    sed -n '/^ *Types: deb/,/^ *Signed-By:/p' "$readme" | sed -e 's/^ *//' \
        -e "s|https://HOST/PATH/|$address|" -e "s/^Suites: .*/Suites: $release/" \
        >"$user/etc/apt/sources.list.d/bookkeeping.sources"
    cat "$user/etc/apt/sources.list.d/bookkeeping.sources"
    updated_without_warning

    echo "== The program in the repository's catalogue, before it is installed"
    in_system "$user" appstreamcli refresh-cache --force >/dev/null
    in_system "$user" appstreamcli get com.example.bookkeeping | tee "$user/root/catalogue.txt"
    grep -q '^Package: bookkeeping$' "$user/root/catalogue.txt" ||
        fail "appstreamcli does not find the program in the repository's catalogue"

    echo "== Installing bookkeeping from the repository"
    [ "$(candidate)" = "$version" ] || fail "apt offers $(candidate), not $version"
    # Run as a user would: apt-get brings the package's dependencies and recommendations.
    apt_install "$user" bookkeeping
    [ "$(in_system "$user" dpkg-query -W -f='${Version}' bookkeeping)" = "$version" ] ||
        fail "the repository did not bring $version"
}

upgrade_from_repository() {
    echo "== The repository of the next version in place of this one's; apt-get upgrade"
    serve "$repository.tests/next"
    updated_without_warning
    apt_get "$user" upgrade -y || fail "apt-get upgrade failed"
}

# refused WHAT WHY: apt-get update refuses the repository it is served, WHAT, saying WHY, and
# keeps offering what it offered: it may end well all the same, using the lists it had.
refused() {
    local status=0
    echo "== $1: apt-get update must refuse it"
    apt_get "$user" update || status=$?
    grep -qE "$2" "$user/root/apt.log" || fail "apt-get update did not refuse $1"
    [ "$(candidate)" = "$next" ] || fail "after $1, apt offers $(candidate), not $next"
    echo "  refused, apt-get's status $status; apt still offers $next"
}

refusals_from_repository() {
    local tampered=$repository.tests/tampered.changed
    # Its package lists changed after they were signed: under every name apt may fetch them by.
    rm -rf "$tampered"
    cp -a "$repository.tests/tampered" "$tampered"
    local lists=$tampered/dists/$release/main/binary-$system_architecture file
    sed -i 's/^Description: .*/& (changed)/' "$lists/Packages"
    xz -9 --keep --force "$lists/Packages"
    gzip -9 --no-name --keep --force "$lists/Packages"
    for file in "$lists"/by-hash/*/*; do
        case $(head -c 6 "$file" | od -An -tx1 | tr -d ' ') in
        fd377a585a00) cp "$lists/Packages.xz" "$file" ;;
        1f8b*) cp "$lists/Packages.gz" "$file" ;;
        *) cp "$lists/Packages" "$file" ;;
        esac
    done
    serve "$tampered"
    # apt checks the size that Release gives before the hashes, and whether the change alters
    # the compressed list's size depends on the list: either refusal is the right one.
    refused "a repository whose Packages changed after signing" \
        "Hash Sum mismatch|File has unexpected size"
    serve "$repository.tests/other-key"
    refused "a repository signed by another key" \
        "NO_PUBKEY|Missing key|not signed|no public key|signatures couldn't be verified"
    rm -rf "$tampered"
}
