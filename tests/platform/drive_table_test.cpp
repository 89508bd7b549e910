#include <gtest/gtest.h>

#include "platform/files.h"

namespace vr::platform {
namespace {

// A desktop machine with a USB stick, a DVD, a network share and the usual pseudo mounts, as
// /proc/self/mounts shows them.
constexpr char kDesktopMounts[] =
    "sysfs /sys sysfs rw,nosuid,nodev,noexec,relatime 0 0\n"
    "proc /proc proc rw,nosuid,nodev,noexec,relatime 0 0\n"
    "udev /dev devtmpfs rw,nosuid,relatime,size=8131816k 0 0\n"
    "devpts /dev/pts devpts rw,nosuid,noexec,relatime,gid=5,mode=620 0 0\n"
    "tmpfs /run tmpfs rw,nosuid,nodev,noexec,relatime,size=1631588k,mode=755 0 0\n"
    "/dev/nvme0n1p2 / ext4 rw,relatime,errors=remount-ro 0 0\n"
    "securityfs /sys/kernel/security securityfs rw,nosuid,nodev,noexec,relatime 0 0\n"
    "tmpfs /dev/shm tmpfs rw,nosuid,nodev 0 0\n"
    "cgroup2 /sys/fs/cgroup cgroup2 rw,nosuid,nodev,noexec,relatime 0 0\n"
    "/dev/nvme0n1p1 /boot/efi vfat rw,relatime,fmask=0077 0 0\n"
    "/dev/sda1 /home ext4 rw,relatime 0 0\n"
    "tmpfs /tmp tmpfs rw,nosuid,nodev 0 0\n"
    "tmpfs /run/user/1000 tmpfs rw,nosuid,nodev,relatime,size=1631584k 0 0\n"
    "gvfsd-fuse /run/user/1000/gvfs fuse.gvfsd-fuse rw,nosuid,nodev 0 0\n"
    "/dev/sdb1 /run/media/ann/MY\\040STICK vfat rw,nosuid,nodev 0 0\n"
    "/dev/sr0 /media/cdrom iso9660 ro,nosuid,nodev 0 0\n"
    "server:/export/pics /mnt/pics nfs4 rw,relatime,vers=4.2 0 0\n"
    "//nas/share /mnt/nas cifs rw,relatime 0 0\n"
    "/dev/loop3 /snap/core/123 squashfs ro,nodev,relatime 0 0\n"
    "/dev/sdc1 /mnt/backup ext4 rw 0 0\n";

TEST(DriveTableTest, RealMountsWithTheirTypesAndNoPseudoFileSystems) {
  const auto drives = ParseMountTable(kDesktopMounts, [](std::string_view device) {
    return device == "sdc1";  // a USB disk mounted outside /media
  });
  struct Expected {
    const char* root;
    DriveType type;
  };
  const Expected expected[] = {
      {"/", DriveType::kFixed},
      {"/boot/efi/", DriveType::kFixed},
      {"/home/", DriveType::kFixed},
      {"/tmp/", DriveType::kRamDisk},
      {"/run/media/ann/MY STICK/", DriveType::kRemovable},
      {"/media/cdrom/", DriveType::kCdRom},
      {"/mnt/pics/", DriveType::kRemote},
      {"/mnt/nas/", DriveType::kRemote},
      {"/mnt/backup/", DriveType::kRemovable},
  };
  ASSERT_EQ(drives.size(), std::size(expected));
  for (size_t i = 0; i < drives.size(); ++i) {
    EXPECT_EQ(drives[i].root, expected[i].root) << i;
    EXPECT_EQ(drives[i].type, expected[i].type) << drives[i].root;
  }
  EXPECT_EQ(drives[4].device, "/dev/sdb1");
  EXPECT_EQ(drives[6].fs_type, "nfs4");
}

TEST(DriveTableTest, ContainerRootOverlayIsADriveButItsLayersAndFileBindsAreNot) {
  constexpr char kContainer[] =
      "overlay / overlay rw,relatime,lowerdir=/var/lib/docker/overlay2/l/ABC:/x,upperdir=/u 0 0\n"
      "proc /proc proc rw 0 0\n"
      "tmpfs /dev tmpfs rw,nosuid,size=65536k,mode=755 0 0\n"
      "overlay /var/lib/docker/overlay2/abc/merged overlay rw 0 0\n"
      "overlay /srv/other overlay rw 0 0\n"
      "/dev/vda1 /work ext4 rw 0 0\n"
      "/dev/vda1 /work ext4 ro 0 0\n";  // mounted again: one drive
  const auto drives = ParseMountTable(kContainer, nullptr);
  ASSERT_EQ(drives.size(), 2u);
  EXPECT_EQ(drives[0].root, "/");
  EXPECT_EQ(drives[0].type, DriveType::kFixed);
  EXPECT_EQ(drives[1].root, "/work/");
}

TEST(DriveTableTest, MalformedLinesAreSkipped) {
  constexpr char kJunk[] =
      "\n"
      "# comment /x ext4\n"
      "onlyone\n"
      "two fields\n"
      "dev relative ext4 rw 0 0\n"
      "/dev/sda1 /ok\\04 ext4 rw 0 0\n"  // cut escape stays as written
      "   /dev/sda2\t/tabs\text4 rw 0 0\r\n";
  const auto drives = ParseMountTable(kJunk, nullptr);
  ASSERT_EQ(drives.size(), 2u);
  EXPECT_EQ(drives[0].root, "/ok\\04/");
  EXPECT_EQ(drives[1].root, "/tabs/");
  EXPECT_TRUE(ParseMountTable("", nullptr).empty());
}

TEST(DriveTableTest, ProductionTableOfThisMachineHasTheRoot) {
  PosixFiles files;
  const auto drives = files.Drives();
  bool root = false;
  for (const Drive& d : drives) root = root || d.root == "/";
  EXPECT_TRUE(root);
  PosixFiles no_table("/nonexistent/mounts");
  EXPECT_TRUE(no_table.Drives().empty());
}

}  // namespace
// The mount areas: the usual ones, and what fstab names (comments, the root, swap and pseudo
// file systems left out, escapes decoded).
TEST(DriveTableTest, MountAreasAddFstabMountPointsButTheRoot) {
  const std::string fstab =
      "# <file system> <mount point> <type> <options> <dump> <pass>\n"
      "UUID=1234 / ext4 errors=remount-ro 0 1\n"
      "UUID=5678 none swap sw 0 0\n"
      "LABEL=PHOTOS /srv/My\\040Photos vfat noauto,user 0 0\n"
      "//nas/pics /net/pics cifs noauto 0 0\n"
      "proc /proc proc defaults 0 0\n"
      "/dev/sdb1 /media/ exfat noauto 0 0\n";
  EXPECT_EQ(MountAreasFrom(fstab), (std::vector<std::string>{"/media/", "/run/media/", "/mnt/",
                                                             "/srv/My Photos/", "/net/pics/"}));
  EXPECT_EQ(MountAreasFrom(""), (std::vector<std::string>{"/media/", "/run/media/", "/mnt/"}));
}

}  // namespace vr::platform
