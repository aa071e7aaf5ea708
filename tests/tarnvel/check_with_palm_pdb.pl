#!/usr/bin/perl
# Reads the databases that tarnvel writes with Debian's Palm::PDB, a reader
# written by others, and checks the header, the record list and the
# category table against what the sample outline holds.
#
#   check_with_palm_pdb.pl TARNVEL DATA_DIR
use strict;
use warnings;
use File::Temp qw(tempdir);
use Palm::PDB;
use Palm::Raw;
use Palm::StdAppInfo;

my ($tarnvel, $data) = @ARGV;
my $failures = 0;
sub check {
    my ($ok, $what) = @_;
    print(($ok ? "ok" : "FAILED"), " - $what\n");
    $failures++ unless $ok;
}

my $dir = tempdir(CLEANUP => 1);
my $fresh = "$dir/fresh.pdb";
check(system($tarnvel, "to-pdb", "$data/sample.kxo", $fresh) == 0, "tarnvel to-pdb runs");

for my $file ("$data/sample.pdb", $fresh) {
    my $pdb = Palm::PDB->new;
    $pdb->Load($file);
    check($pdb->{name} eq "Garden plan", "$file: name");
    check($pdb->{type} eq "Outl" && $pdb->{creator} eq "Vlcr", "$file: type and creator");
    check($pdb->{attributes}{backup} && !$pdb->{attributes}{resource}, "$file: backup, not a resource database");
    check($pdb->{version} == 1, "$file: version");
    check($pdb->{modnum} == 1, "$file: modification number");
    check($pdb->{baktime} == -2082844800, "$file: never backed up");
    check($pdb->{uniqueIDseed} == 0xA013, "$file: unique id seed");
    my @records = @{ $pdb->{records} };
    check(@records == 6, "$file: six records");
    my @ids = map { $_->{id} } @records;
    check("@ids" eq join(" ", 0xA001, 0xA002, 0xA011, 0xA012, 0xA003, 0xA010), "$file: record ids");
    check($records[1]{attributes}{Dirty} && $records[2]{attributes}{Dirty} && !$records[0]{attributes}{Dirty},
          "$file: changed and new items are dirty");
    check($records[4]{attributes}{Delete} && !defined $records[4]{category}, "$file: the deleted item");
    check(!grep({ $_->{attributes}{Secret} ? 0 : 1 } @records), "$file: a private outline's records are secret");
    check(!grep({ defined $_->{category} && $_->{category} != 1 } @records), "$file: records in category 1");
    my @sizes = map { length $_->{data} } @records;
    check("@sizes" eq "55 17 160 12 16 18", "$file: record sizes");
    check(substr($records[0]{data}, 12, 23) eq "Spring\nsecond paragraph", "$file: first item's text");

    # Palm::StdAppInfo, loaded above, parses every AppInfo block it meets.
    my %appinfo = %{ $pdb->{appinfo} };
    my @categories = @{ $appinfo{categories} };
    check($categories[0]{name} eq "Unfiled" && $categories[0]{id} == 0, "$file: category 0 is Unfiled");
    check($categories[1]{name} eq "Work" && $categories[1]{id} == 129, "$file: category 1 is Work");
    check(!grep({ defined $_->{name} && length $_->{name} } @categories[2 .. 15]), "$file: no other categories");
    check($appinfo{lastUniqueID} == 129, "$file: last unique category id");
    # Palm::StdAppInfo leaves the table's pad byte at the start of "other".
    check(length($appinfo{other}) == 91 && substr($appinfo{other}, 1, 2) eq "\0\1",
          "$file: the outline's fields (version 1) follow the category table");
}
exit($failures ? 1 : 0);
