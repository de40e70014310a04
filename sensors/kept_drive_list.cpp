#include "sensors/kept_drive_list.h"

namespace veltar {

std::uint32_t KeptDriveList::ListDrives() {
    const std::uint64_t now = m_now();
    const bool changed = m_changes && m_changes->Take();
    if (!m_kept || changed || now - m_listedAt >= kDriveListLifeMs) {
        m_drives = m_storage.ListDrives();
        m_listedAt = now;
        m_kept = true;
    }
    return m_drives;
}

// A drive on the list that does not open has gone: the next refresh lists them again.
bool KeptDriveList::OpenDrive(std::uint32_t number) {
    const bool opened = m_storage.OpenDrive(number);
    if (!opened && (m_drives >> number & 1)) m_kept = false;
    return opened;
}

}  // namespace veltar
