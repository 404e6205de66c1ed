#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>

// A parameterised test named by its case's file (a `file` member), as far as a test name may
// carry it: "python-docx_tab-stops" becomes "python_docx_tab_stops". Stable names let ctest
// and a reader of its output tell the cases apart.
struct FileParamName
{
    template<class Case> std::string operator()(const testing::TestParamInfo<Case> &info) const
    {
        std::string name = info.param.file;
        for (char &c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    }
};
