// FileIdentity.h - tells whether a file is still the one read earlier: the
// same inode with the same size and change times, or still absent.
#pragma once

#include <sys/stat.h>

namespace vcl {

struct TFileId {
    bool Exists = false;
    dev_t Dev = 0;
    ino_t Ino = 0;
    off_t Size = 0;
    timespec MTime{};
    timespec CTime{};

    static TFileId Of(const struct stat& St) {
        TFileId id;
        id.Exists = true;
        id.Dev = St.st_dev;
        id.Ino = St.st_ino;
        id.Size = St.st_size;
        id.MTime = St.st_mtim;
        id.CTime = St.st_ctim;
        return id;
    }
    bool operator==(const TFileId& O) const {
        if (Exists != O.Exists) return false;
        if (!Exists) return true;
        return Dev == O.Dev && Ino == O.Ino && Size == O.Size && MTime.tv_sec == O.MTime.tv_sec &&
               MTime.tv_nsec == O.MTime.tv_nsec && CTime.tv_sec == O.CTime.tv_sec &&
               CTime.tv_nsec == O.CTime.tv_nsec;
    }
};

}  // namespace vcl
