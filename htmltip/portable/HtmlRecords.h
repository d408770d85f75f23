#pragma once
// What the measuring pass leaves for the drawing pass (lines, tables, animations) and what the
// drawing pass leaves for hit-testing (link areas).

#include <string>
#include <vector>

#include "htmltip/portable/HtmlTypes.h"

namespace htmltip {

struct LineRecord {
    int width = 0;        // content, pixels
    int height = 0;       // while the line is built its largest ascent, then ascent + descent
    int descent = 0;      // largest
    int percentWidth = 0; // percentages of rules on the line, counted 1 pixel wide when measured
    int align = 0;        // horizontal alignment in force when the line began
    int spaces = 0;       // blanks on the line (justification spreads over them)
    bool wrapped = false; // the line ended because the text was wrapped
    // A tab stop would turn the spread of a justified line into a jump to a later stop, pushing
    // what follows out of the line: a line with tabs is never justified.
    bool tabbed = false;
};

struct LinkArea {
    Rect box; // edges included
    int kind = 0;
    int number = 0;
    std::string target;
};

struct AnimationRecord {
    int frame = 0;
    int count = 0;
    int tick = 0;
    int speed = 0;
};

struct TableCellRecord {
    int width = 0; // content, at least the asked width, plus border and padding on both sides
    int height = 0;
    bool fixed = false;
    int contentHeight = 0;
    int wrapWidth = 0; // width its content was wrapped to when measured
};

struct TableRecord {
    int width = 0;
    int height = 0;
    std::vector<int> columnWidths;
    std::vector<int> rowHeights;
    std::vector<char> columnFixed;
    std::vector<TableCellRecord> cells; // in the order the cells are placed
};

// What one pass did, for the checks of tests and the fuzz target.
struct PassReport {
    std::size_t linesRead = 0;      // drawing: line records found and used
    std::size_t linesMade = 0;      // lines the pass ended (measuring: stored)
    std::size_t animationsRead = 0; // drawing: animation records found and used
    std::size_t animationsMade = 0; // strips with a speed the pass met
    std::size_t tablesRead = 0;
    std::size_t stackAfter = 0; // style records left on the stack at the end
};

} // namespace htmltip
