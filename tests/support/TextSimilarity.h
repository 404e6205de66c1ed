#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// How alike two readings of one document are, word for word. Words are what speech
// hears: the texts are normalised (NFKC, so ligatures and presentation forms become
// letters; soft hyphens and direction marks dropped; letter case folded) and split at
// white space, and punctuation at either end of a word is not part of it.
namespace TextSimilarity {

QStringList words(const QString &text);

// Bag-of-words F1: 2PR/(P+R), where P is the share of our words that the reference has
// (counted with multiplicity) and R the share of the reference's words that we have.
// 1 for two empty texts.
double wordF1(const QString &ours, const QString &reference);

// The longest common subsequence of the two word sequences over the longer length: the
// order of the words counts, so a column read out of place lowers it. Quadratic: for
// texts of a few ten thousand words.
double sequenceSimilarity(const QStringList &ours, const QStringList &reference);

// A reference reading of an office document (the corpus' expected/*.txt) in the form the
// readers write notes: "[^1]" marks become "[1]", "[^1]: text" lines "[1] text", and the
// "--- footnotes ---" style dividers go. With renumberNotes, notes are numbered in the
// order of their marks (Word's reference gives note ids, which no reader shows).
QString officeReference(const QString &path, bool renumberNotes);

// Failures (as messages) where a text lacks one of `present` (in this order) or holds one
// of `absent`; empty when it is as it should be.
QStringList misplaced(const QString &text, const std::vector<const char *> &present,
                      const std::vector<const char *> &absent);

} // namespace TextSimilarity
