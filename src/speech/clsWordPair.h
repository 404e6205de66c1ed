#pragma once

#include <QString>

// One entry of the pronunciation list: the written word and what the engine is
// given in its place. Shared by pointer: the list holds the very object added.
class clsWordPair
{
public:
    QString OriginalWord;
    QString NewWord;
};
