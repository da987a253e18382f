#include "game/notice.h"

std::uint8_t noticeKind = 0;
float noticeTimer = 0.0f;

void NoticeShow(std::uint8_t kind)
{
    noticeKind = kind;
    noticeTimer = kNoticeSeconds;
}

void NoticeReset()
{
    noticeKind = 0;
    noticeTimer = 0.0f;
}
