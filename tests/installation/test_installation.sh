#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs the build into a staging directory (DESTDIR, another prefix than the configured one),
# runs the installed korval-cli on the simulated programmer against the installed catalogue,
# checks what a second installation keeps, then builds the Debian package with cpack and checks
# its control fields, its file list and lintian.
#   test_installation.sh BUILD SOURCE CMAKE CPACK PAQUET SETUID
# PAQUET 0 skips the package (sanitizer builds); SETUID is the KORVAL_SETUID option (0 or 1).
set -euo pipefail
build=$1 source=$2 cmake=$3 cpack=$4 paquet=$5 setuid=$6

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
echecs=0
echec() {
  echo "ÉCHEC : $*" >&2
  echecs=$((echecs + 1))
}
# Runs a command that must exit with the given status; its output goes to $tmp/sortie.
statut() {
  local attendu=$1
  shift
  local s=0
  "$@" > "$tmp/sortie" 2>&1 || s=$?
  if [ "$s" -ne "$attendu" ]; then
    echec "code $s au lieu de $attendu : $*"
    sed 's/^/    /' "$tmp/sortie" >&2
  fi
}
contient() { # FICHIER TEXTE
  grep -qF -- "$2" "$1" || echec "« $2 » absent de $1"
}

# The files an installation must hold, below the prefix p (without its leading /).
attendus() {
  local p=$1 f
  {
    echo etc/korval-1.2/conf_PICS
    echo etc/korval-1.2/conf_port
    echo "$p/bin/korval"
    echo "$p/bin/korval-cli"
    echo "$p/lib/udev/rules.d/60-korval.rules"
    echo "$p/share/applications/korval.desktop"
    echo "$p/share/bash-completion/completions/korval-cli"
    echo "$p/share/doc/korval/changelog.gz"
    echo "$p/share/doc/korval/copyright"
    echo "$p/share/icons/hicolor/scalable/apps/korval.svg"
    echo "$p/share/lintian/overrides/korval"
    for f in "$source"/aide/*; do echo "$p/share/korval/aide/${f##*/}"; done
    for f in "$source"/man/*.1; do echo "$p/share/man/man1/${f##*/}.gz"; done
  } | sort
}

# Intel HEX record: ADRESSE (4 hex digits) TYPE (2) DATA (hex bytes), with its checksum.
enregistrement() {
  local donnees=$3 somme i
  local n=$((${#donnees} / 2))
  somme=$((n + 0x${1:0:2} + 0x${1:2:2} + 0x$2))
  for ((i = 0; i < ${#donnees}; i += 2)); do somme=$((somme + 0x${donnees:i:2})); done
  printf ':%02X%s%s%s%02X\r\n' "$n" "$1" "$2" "$donnees" $(((256 - somme % 256) % 256))
}

# A small PIC16F84 image: five program words (little-endian at twice their address), the
# configuration word at 0x2007 and two data EEPROM bytes at 0x2100.
image() { # PROGRAMME
  enregistrement 0000 00 "$1"
  enregistrement 400E 00 "F13F"
  enregistrement 4200 00 "5A00A500"
  echo ":00000001FF"
}
image 8316FF30860083120528 > "$tmp/image.hex"
# The same with the last word changed, 0x2805 into 0x2806.
image 8316FF30860083120628 > "$tmp/autre.hex"

echo "== Installation dans $tmp/racine (préfixe /opt/korval)"
racine="$tmp/racine"
statut 0 env DESTDIR="$racine" "$cmake" --install "$build" --prefix /opt/korval
(cd "$racine" && find . -type f -printf '%P\n' | sort) > "$tmp/installes"
attendus opt/korval > "$tmp/attendus"
diff -u "$tmp/attendus" "$tmp/installes" || echec "fichiers installés (- attendus, + installés)"

bin="$racine/opt/korval/bin"
conf="$racine/etc/korval-1.2"
cmp -s "$conf/conf_PICS" "$source/data/conf_PICS" || echec "conf_PICS installé différent"
cmp -s "$conf/conf_port" "$source/data/conf_port" || echec "conf_port installé différent"
droits=755
[ "$setuid" = 1 ] && droits=4755
for p in korval korval-cli; do
  [ "$(stat -c %a "$bin/$p")" = "$droits" ] || echec "$p : droits $(stat -c %a "$bin/$p") au lieu de $droits"
done
for m in "$racine"/opt/korval/share/man/man1/*.gz "$racine/opt/korval/share/doc/korval/changelog.gz"; do
  gzip -t "$m" || echec "$m n'est pas un fichier gzip"
done

# The help button finds the pages from the program's directory: the relative path compiled into
# korval must lead from bin/ to the installed pages.
relatif="$(realpath --relative-to="$bin" "$racine/opt/korval/share/korval/aide")"
grep -qaF "$relatif" "$bin/korval" || echec "korval ne contient pas le chemin de l'aide $relatif"
[ -f "$bin/$relatif/aide_sommaire.htm" ] || echec "pas de sommaire de l'aide sous $bin/$relatif"

# Desktop entry and icon.
desktop-file-validate "$racine/opt/korval/share/applications/korval.desktop" ||
  echec "korval.desktop refusé par desktop-file-validate"
contient "$racine/opt/korval/share/applications/korval.desktop" "Icon=korval"
if ! rsvg-convert -w 48 -h 48 "$racine/opt/korval/share/icons/hicolor/scalable/apps/korval.svg" \
  -o "$tmp/icone.png" || [ ! -s "$tmp/icone.png" ]; then
  echec "l'icône SVG ne se dessine pas"
fi

echo "== korval-cli installé, programmateur simulé, catalogue installé"
export HOME="$tmp/maison"
unset KORVAL_CONF XDG_CONFIG_HOME
mkdir -p "$HOME"
cli=("$bin/korval-cli" --conf "$conf")
sim=("${cli[@]}" --simulateur "$tmp/puce.etat" -c PIC16F84 -q --strict)
statut 0 "$bin/korval" --help
contient "$tmp/sortie" "--simulateur"
statut 0 "$bin/korval" --version
contient "$tmp/sortie" "korval $(dpkg-parsechangelog -l "$source/packaging/changelog" -S Version)"
statut 0 "${cli[@]}" --simulateur "$tmp/puce.etat" -c PIC16F84 composants
contient "$tmp/sortie" "PIC16F84"
contient "$tmp/sortie" "24C16"
statut 0 "${sim[@]}" ecrire "$tmp/image.hex"
[ -s "$tmp/puce.etat" ] || echec "la puce simulée n'a pas été enregistrée"
statut 0 "${sim[@]}" comparer "$tmp/image.hex"
statut 1 "${sim[@]}" comparer "$tmp/autre.hex"
contient "$tmp/sortie" "Pour le mot n°4H on a : 2805H dans le PIC au lieu de 2806H"
statut 0 "${sim[@]}" lire "$tmp/relu.hex"
statut 0 "${cli[@]}" -c PIC16F84 afficher "$tmp/relu.hex"
contient "$tmp/sortie" "0000: 1683 30FF 0086 1283 2805 3FFF"
contient "$tmp/sortie" "0000: 5A A5 FF"
contient "$tmp/sortie" "Configuration : 3FF1"
statut 3 "${sim[@]}" --panne sans-programmateur comparer "$tmp/image.hex"
# Bash completion of the installed program: what it proposes for the word being typed.
completion() { # ATTENDU MOT...
  local attendu=$1
  shift
  local vu
  vu="$(bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _korval_cli
    echo "${COMPREPLY[*]}"' _ "$racine/opt/korval/share/bash-completion/completions/korval-cli" \
    "$bin/korval-cli" "$@")"
  [ "$vu" = "$attendu" ] || echec "completion de « $* » : « $vu » au lieu de « $attendu »"
}
completion "ecrire effacer" e
completion "composants comparer" --conf "$conf" co
completion "PIC16F84 PIC16F84A" --conf "$conf" -c PIC16F84
completion "24C16 24C128" --conf "$conf" --simulateur s.etat --puce 24C1
completion "cellule-morte cellule-lente" --simulateur s.etat --panne cel
completion "--simulateur --silencieux" -c PIC16F84 --si
completion "binaire" --base bi
completion "" -c PIC16F84 lire f
if [ -f "$build/examples/clignotant.hex" ]; then
  statut 0 "${cli[@]}" --simulateur "$tmp/exemple.etat" -c PIC16F84 -q --strict ecrire "$build/examples/clignotant.hex"
  statut 0 "${cli[@]}" --simulateur "$tmp/exemple.etat" -c PIC16F84 -q --strict comparer "$build/examples/clignotant.hex"
fi

echo "== Seconde installation : réglages gardés, catalogue remplacé"
echo "_PORT 278" >> "$conf/conf_port"
cp "$conf/conf_port" "$tmp/reglages"
echo "PIC16F999      1024  64     1   1    0     0     0" >> "$conf/conf_PICS"
cp "$conf/conf_PICS" "$tmp/catalogue"
statut 0 env DESTDIR="$racine" "$cmake" --install "$build" --prefix /opt/korval
cmp -s "$conf/conf_port" "$tmp/reglages" || echec "conf_port de l'utilisateur remplacé"
cmp -s "$conf/conf_PICS" "$source/data/conf_PICS" || echec "conf_PICS non remplacé"
cmp -s "$conf/conf_PICS.ancien" "$tmp/catalogue" || echec "catalogue modifié non gardé"

if [ "$paquet" != 1 ]; then
  echo "== Paquet Debian : pas dans cette construction (sanitizers)"
  exit $((echecs > 0))
fi

echo "== Paquet Debian"
statut 0 "$cpack" --config "$build/CPackConfig.cmake" -B "$tmp/paquet"
debs=("$tmp"/paquet/*.deb)
deb=${debs[0]}
if [ ${#debs[@]} -ne 1 ] || [ ! -f "$deb" ]; then
  echec "pas un paquet seul : ${debs[*]}"
  exit 1
fi
[ "$(dpkg-deb -f "$deb" Package)" = korval ] || echec "nom du paquet"
[ "$(dpkg-deb -f "$deb" Section)" = electronics ] || echec "section"
dpkg-deb -f "$deb" Depends | grep -qE '(^|, )libgtk-3-0( |,|$)' || echec "libgtk-3-0 absent de Depends"
dpkg-deb -f "$deb" Depends | grep -qE '(^|, )libc6 ' || echec "dépendances de dpkg-shlibdeps absentes"
# The adapters' libraries, when the build found them.
for bib in libftdi1 libgpiod; do
  if ldd "$build/korval-cli" | grep -q "$bib"; then
    dpkg-deb -f "$deb" Depends | grep -q "$bib" || echec "$bib absent de Depends"
  fi
done
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || echec "pas de Maintainer"
version="$(dpkg-deb -f "$deb" Version)"
zcat "$racine/opt/korval/share/doc/korval/changelog.gz" | head -n 1 |
  grep -qF "korval ($version) " || echec "packaging/changelog n'a pas d'entrée pour la version $version"
dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles > "$tmp/conffiles" || echec "pas de conffiles"
printf '/etc/korval-1.2/conf_PICS\n/etc/korval-1.2/conf_port\n' | diff -u - "$tmp/conffiles" ||
  echec "conffiles"
dpkg-deb --fsys-tarfile "$deb" | tar -tv > "$tmp/liste"
grep -v '^d' "$tmp/liste" | awk '{print $6}' | sed 's|^\./||' | sort > "$tmp/contenu"
attendus usr > "$tmp/attendus"
diff -u "$tmp/attendus" "$tmp/contenu" || echec "contenu du paquet (- attendu, + paquet)"
mode=-rwxr-xr-x
[ "$setuid" = 1 ] && mode=-rwsr-xr-x
for p in korval korval-cli; do
  grep -qE "^$mode root/root .* \./usr/bin/$p\$" "$tmp/liste" || echec "droits de /usr/bin/$p dans le paquet"
done

# The packaged programs run, and find their help pages and catalogue where the package puts them.
dpkg-deb -x "$deb" "$tmp/deb"
statut 0 "$tmp/deb/usr/bin/korval-cli" --conf "$tmp/deb/etc/korval-1.2" composants
contient "$tmp/sortie" "PIC16F84"
grep -qaF "$relatif" "$tmp/deb/usr/bin/korval" || echec "chemin de l'aide absent du korval empaqueté"
[ -f "$tmp/deb/usr/bin/$relatif/aide_sommaire.htm" ] || echec "aide du paquet mal placée"

# Warnings and errors fail; each remaining one is explained in packaging/lintian/korval.
if ! command -v lintian > /dev/null; then
  echec "lintian manque (scripts/installe-paquets l'installe)"
else
  lintian --fail-on error,warning --display-info "$deb" > "$tmp/lintian" 2>&1 || {
    echec "lintian"
    cat "$tmp/lintian" >&2
  }
  sed 's/^/    /' "$tmp/lintian"
fi

[ "$echecs" -eq 0 ] && echo "Installation et paquet : tout est bon"
exit $((echecs > 0))
