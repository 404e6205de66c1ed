#pragma once

#include <QByteArray>
#include <QString>

// Folders for the files Orlin writes only to hand them on (the error report a viewer opens),
// which no other local user may read, replace or point elsewhere. The shared temporary folder
// is open to everyone: a fixed name there could have been planted beforehand as a link to one
// of this user's files, which a plain write would then overwrite.
namespace PrivateFolder {

// A folder only this user can reach: "orlin" in the user's runtime folder ($XDG_RUNTIME_DIR)
// when that is sound, else "orlin-<uid>" in the temporary folder, else, when someone else
// holds that name, a fresh folder there. Throws Failure when none can be made.
QString forPassingFiles();

// Makes the folder, or checks the one there: a real folder (not a link) owned by this user,
// with no access for anyone else (taken away when the folder is ours). Throws Failure (75)
// when the folder is a link, someone else's, or cannot be made.
void ensure(const QString &folder);

// Replaces folder/name by the bytes: written beside it, then renamed over it, so a reader
// sees the old file or the new one, and a link at that name is replaced, never followed.
void replaceFile(const QString &folder, const QString &name, const QByteArray &bytes);

} // namespace PrivateFolder
