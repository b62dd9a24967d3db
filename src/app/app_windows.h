#pragma once

class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm7;
class TForm8;
class TForm9;
class TForm10;
class TForm11;
class TForm12;
class TForm13;
class TJumpToTextFrm;

// The program's other windows, made by the main window in this order and then handed to the
// features that own them: video (9, 13), options (2), playlist (6, 8), library (7), subtitles
// (JumpToTextFrm, 11, 12, the line windows 5, 4, 3), desktop (10).
struct AppWindows {
    TForm9 *Form9 = nullptr;
    TForm2 *Form2 = nullptr;
    TForm6 *Form6 = nullptr;
    TJumpToTextFrm *JumpToTextFrm = nullptr;
    TForm7 *Form7 = nullptr;
    TForm8 *Form8 = nullptr;
    TForm11 *Form11 = nullptr;
    TForm12 *Form12 = nullptr;
    TForm13 *Form13 = nullptr;
    TForm10 *Form10 = nullptr;
    TForm5 *Form5 = nullptr;
    TForm4 *Form4 = nullptr;
    TForm3 *Form3 = nullptr;
};
