#include "document/text_file.h"

#include <gtest/gtest.h>

// What closing or Clear does next with the editor's text, from what is known so far.
TEST(UnsavedText, NextStep) {
    using A = UnsavedAnswer;
    using S = UnsavedSave;
    using N = UnsavedStep;
    struct Case {
        bool edited;
        A answer;
        S save;
        N next;
    } const cases[] = {
        {false, A::none, S::notTried, N::proceed}, // converted or saved: no question
        {true, A::none, S::notTried, N::ask},
        {true, A::no, S::notTried, N::proceed},
        {true, A::cancel, S::notTried, N::stop},
        {true, A::yes, S::notTried, N::save},
        {true, A::yes, S::written, N::proceed},
        {true, A::yes, S::notWritten, N::stop}, // cancelled dialog, declined or failed write
    };
    for (const Case &c : cases)
        EXPECT_EQ(unsaved_text_step(c.edited, c.answer, c.save), c.next)
            << "edited " << c.edited << ", answer " << int(c.answer) << ", save " << int(c.save);
}

TEST(UnsavedText, QuestionNamesTheTextFile) {
    struct Case {
        bool hasName;
        const char *path;
        const char *question;
    } const cases[] = {
        {false, "", "無題 への変更を保存しますか?"},
        {false, "C:/texts/old.txt", "無題 への変更を保存しますか?"}, // a failed save forgot it
        {true, "C:/texts/picture.txt", "picture.txt への変更を保存しますか?"},
        {true, "C:/%s.txt", "%s.txt への変更を保存しますか?"}, // the name is not a pattern
        {true, "", "無題 への変更を保存しますか?"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(unsaved_text_question("%s への変更を保存しますか?",
                                        unsaved_text_name(c.hasName, c.path, "無題")),
                  c.question)
            << c.path;
    EXPECT_EQ(unsaved_text_question("Save changes to %s?", "a.txt"), "Save changes to a.txt?");
}
