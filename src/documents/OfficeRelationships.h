#pragma once

#include <QByteArray>
#include <QString>

// The relationship parts of an Office Open XML package (_rels/*.rels): which part plays
// which role. Types are matched by their last path segment, so the transitional and the
// Strict (ISO 29500) namespaces both work.
namespace OfficeRelationships {

// The first target of the given type ("officeDocument", "footnotes", ...), resolved as an
// entry name against the part the relationships belong to ("" for the package root);
// empty when there is none or it would leave the package.
QString target(const QByteArray &rels, const QString &ofPart, QStringView type);

// The folder-and-name of the relationships part for a part ("word/document.xml" ->
// "word/_rels/document.xml.rels").
QString relsFor(const QString &part);

} // namespace OfficeRelationships
