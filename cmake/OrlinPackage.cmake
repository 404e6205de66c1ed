# The Debian package: `cpack -G DEB` in a build folder (scripts/package makes a Release
# build for it). dpkg-shlibdeps names the libraries the programs link; the list below adds
# what they load at run time without linking it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orlin)
set(CPACK_PACKAGE_VENDOR "The Orlin Project")
set(CPACK_PACKAGE_CONTACT "The Orlin Project <bugs@orlin-reader.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://orlin-reader.org")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "document reader that reads aloud, sentence by sentence")
set(CPACK_PACKAGE_DESCRIPTION
    "Orlin opens plain-text, HTML and RTF documents and reads them aloud from the caret\n\
through espeak-ng, selecting each sentence while it is spoken. It remembers where you\n\
left every document, keeps a pronunciation list, reads documents into audio files (also\n\
from the command line: OrlinSpeak) and downloads books of Project Gutenberg. Every action\n\
has a keyboard shortcut, and every control a name for screen readers.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The voices' data, and Qt's platform plugins without which no window opens.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "espeak-ng-data, qt6-qpa-plugins")
# Qt's own texts in the interface language, the desktop's media pictures for the reading
# buttons, a font with the buttons' symbols, the desktop opener for pages and mail, and the
# certificates of the https update check and library.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "qt6-translations-l10n, adwaita-icon-theme, fonts-dejavu-core, xdg-utils, ca-certificates")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "pulseaudio | pipewire-pulse")
include(CPack)
