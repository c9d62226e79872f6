# apt steps of the set-up that survive a bad mirror day; sourced by setup.sh and by its test.
# Each fallback prints one line on stderr saying what it did. Expects log() and SUDO.

# apt_update_tolerant [apt options...]: a partially failed index download is retried once and
# then tolerated, since the indexes that did arrive are usually enough for the install.
apt_update_tolerant() {
  if $SUDO apt-get -o DPkg::Lock::Timeout=600 "$@" update -qq >&2; then return 0; fi
  log "apt-get update failed; retrying once"
  if $SUDO apt-get -o DPkg::Lock::Timeout=600 "$@" update -qq >&2; then return 0; fi
  log "apt-get update failed again; going on with the package indexes that did arrive"
  return 0
}

# The release's own codename: preferring it resolves a mirror on which the security suite
# offers newer amd64 libraries than their i386 twins.
base_release() {
  local os_release=${OS_RELEASE_FILE:-/etc/os-release}
  [ -f "$os_release" ] || return 0
  (. "$os_release" && echo "${VERSION_CODENAME:-}")
}

# apt_install_resilient PACKAGE...: when the install cannot resolve, it is retried once
# preferring the base release.
apt_install_resilient() {
  local out status=0
  out=$(DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 "$@" 2>&1) || status=$?
  printf '%s\n' "$out" >&2
  [ "$status" -eq 0 ] && return 0
  local codename
  codename=$(base_release)
  if [ -z "$codename" ] || ! grep -qiE "held broken packages|unmet dependencies|Unable to correct problems" <<<"$out"; then
    return "$status"
  fi
  log "apt-get install could not resolve the packages; retrying preferring the base release ($codename)"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 -t "$codename" "$@" >&2
}
