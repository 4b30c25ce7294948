// Writes to standard output a sheet whose one entry's columns hold markup
// that would run scripts if the page let it through, for the browser test
// to open: the page's own escaping, beyond the list reader's refusal.

#include "sheet_page.h"

#include <iostream>

int main() {
    SheetEntry entry;
    entry.seed = 58;
    entry.columns =
        "count <script>document.body.dataset.pwned=1</script>, "
        "longest_gap <img src=x onerror=\"document.title=42\">";
    entry.thumbnail = entry.picture = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\"></svg>";
    std::cout << sheetStart({}, 1) << sheetThumbnail(entry, 0) << sheetMiddle << sheetPicture(entry, 0) << sheetEnd;
    return std::cout.good() ? 0 : 1;
}
