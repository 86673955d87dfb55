#!/usr/bin/perl
# A workbook with a PNG and a JPEG, written by Spreadsheet::WriteExcel.
# Usage: make-workbook.pl picture.png picture.jpg out.xls
use strict;
use warnings;
use Spreadsheet::WriteExcel;

my ($png, $jpeg, $out) = @ARGV;
my $workbook = Spreadsheet::WriteExcel->new($out) or die "cannot write $out";
my $sheet = $workbook->add_worksheet('Pictures');
$sheet->write('A1', 'Two pictures');
$sheet->insert_image('B3', $png);
$sheet->insert_image('H3', $jpeg);
$workbook->close();
