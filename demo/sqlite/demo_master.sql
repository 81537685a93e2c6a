-- Demo master data: two companies, a home currency and two foreign ones,
-- departments with user-group access, cash, bank and expense accounts,
-- users with different rights, number prefixes and the grid captions.
-- Dates (financial years, freeze date) and vouchers are added by the
-- demo database builder relative to the process date.

INSERT INTO aCurrencyMaster VALUES (1, 'UAE Dirham', 'AED');
INSERT INTO aCurrencyMaster VALUES (2, 'US Dollar', 'USD');
INSERT INTO aCurrencyMaster VALUES (3, 'Euro', 'EUR');

INSERT INTO aCompanyMaster VALUES (1, 'Harbourside Trading LLC', 1);
INSERT INTO aCompanyMaster VALUES (2, 'Inland Supplies Co', 2);

-- Selling rates: units of the currency for one unit of the company's currency.
INSERT INTO ExchangeRateDetail (CompanyID, CurrencyID, SellingRate, BuyingRate) VALUES (1, 1, 1, 1);
INSERT INTO ExchangeRateDetail (CompanyID, CurrencyID, SellingRate, BuyingRate) VALUES (1, 2, 0.2723, 0.2720);
INSERT INTO ExchangeRateDetail (CompanyID, CurrencyID, SellingRate, BuyingRate) VALUES (1, 3, 0.2515, 0.2510);
INSERT INTO ExchangeRateDetail (CompanyID, CurrencyID, SellingRate, BuyingRate) VALUES (2, 2, 1, 1);
INSERT INTO ExchangeRateDetail (CompanyID, CurrencyID, SellingRate, BuyingRate) VALUES (2, 1, 3.6725, 3.6700);
INSERT INTO ExchangeRateDetail (CompanyID, CurrencyID, SellingRate, BuyingRate) VALUES (2, 3, 0.9236, 0.9230);

INSERT INTO aDepartmentMaster VALUES (1, 1, 'Administration', 1);
INSERT INTO aDepartmentMaster VALUES (2, 1, 'Operations', 1);
INSERT INTO aDepartmentMaster VALUES (3, 1, 'Projects', 2);
INSERT INTO aDepartmentMaster VALUES (4, 2, 'Head Office', 2);
INSERT INTO aDepartmentMaster VALUES (5, 2, 'Warehouse', 2);

-- Account groups of each company.
INSERT INTO agroupmaster VALUES (10, 1, 'Cash in Hand');
INSERT INTO agroupmaster VALUES (11, 1, 'Cash and Bank');
INSERT INTO agroupmaster VALUES (12, 1, 'Fixed Assets');
INSERT INTO agroupmaster VALUES (13, 1, 'Administrative Expenses');
INSERT INTO agroupmaster VALUES (14, 1, 'Trade Debtors');
INSERT INTO agroupmaster VALUES (15, 1, 'Trade Creditors');
INSERT INTO agroupmaster VALUES (16, 1, 'Operating Expenses');
INSERT INTO agroupmaster VALUES (21, 2, 'Cash and Bank');
INSERT INTO agroupmaster VALUES (22, 2, 'Fixed Assets');
INSERT INTO agroupmaster VALUES (23, 2, 'Expenses');

INSERT INTO asettings VALUES (1, 11, 10, 12, 130, 140, 30);
INSERT INTO asettings VALUES (2, 21, NULL, 22, NULL, NULL, 20);

-- Company 1: cash and bank accounts (what a voucher pays from).
INSERT INTO aAccountMaster VALUES (101, 1, 'PC01', 'Petty Cash - Head Office', 11, 1);
INSERT INTO aAccountMaster VALUES (102, 1, 'PC02', 'Petty Cash - Site Office', 11, 1);
INSERT INTO aAccountMaster VALUES (103, 1, 'PC03', 'Petty Cash - USD Float', 11, 2);
INSERT INTO aAccountMaster VALUES (104, 1, 'BK01', 'City Bank - Current Account', 11, 1);
-- Accounts a debit line may never use.
INSERT INTO aAccountMaster VALUES (110, 1, 'CH01', 'Cash in Hand - Vault', 10, 1);
INSERT INTO aAccountMaster VALUES (120, 1, 'FA01', 'Office Equipment', 12, 1);
INSERT INTO aAccountMaster VALUES (130, 1, 'TD01', 'Trade Debtors Control', 14, 1);
INSERT INTO aAccountMaster VALUES (140, 1, 'TC01', 'Trade Creditors Control', 15, 1);
-- Expense accounts.
INSERT INTO aAccountMaster VALUES (201, 1, 'EX01', 'Stationery and Printing', 13, 1);
INSERT INTO aAccountMaster VALUES (202, 1, 'EX02', 'Travel and Conveyance', 13, 1);
INSERT INTO aAccountMaster VALUES (203, 1, 'EX03', 'Staff Welfare', 13, 1);
INSERT INTO aAccountMaster VALUES (204, 1, 'EX04', 'Repairs and Maintenance', 16, 1);
INSERT INTO aAccountMaster VALUES (205, 1, 'EX05', 'Postage and Courier', 13, 1);
INSERT INTO aAccountMaster VALUES (206, 1, 'EX06', 'Site Fuel (USD)', 16, 2);
INSERT INTO aAccountMaster VALUES (207, 1, 'EX07', 'Refreshments', 13, 1);
INSERT INTO aAccountMaster VALUES (208, 1, 'EX08', 'Cleaning Supplies', 16, 1);
INSERT INTO aAccountMaster VALUES (209, 1, 'EX09', 'Administration Control', 13, 1);
INSERT INTO aAccountMaster VALUES (210, 1, 'EX10', 'Project Consumables (EUR)', 16, 3);
-- Company 2.
INSERT INTO aAccountMaster VALUES (301, 2, 'PC01', 'Petty Cash - Main', 21, 2);
INSERT INTO aAccountMaster VALUES (302, 2, 'PC02', 'Petty Cash - Dirham Float', 21, 1);
INSERT INTO aAccountMaster VALUES (320, 2, 'FA01', 'Warehouse Racking', 22, 2);
INSERT INTO aAccountMaster VALUES (401, 2, 'EX01', 'Office Supplies', 23, 2);
INSERT INTO aAccountMaster VALUES (402, 2, 'EX02', 'Freight and Handling', 23, 2);
INSERT INTO aAccountMaster VALUES (403, 2, 'EX03', 'Local Transport', 23, 1);

INSERT INTO aDepartmentAccounts VALUES (1, 201, 1);
INSERT INTO aDepartmentAccounts VALUES (1, 202, 1);
INSERT INTO aDepartmentAccounts VALUES (1, 203, 1);
INSERT INTO aDepartmentAccounts VALUES (1, 205, 1);
INSERT INTO aDepartmentAccounts VALUES (1, 207, 1);
INSERT INTO aDepartmentAccounts VALUES (1, 209, 1);
INSERT INTO aDepartmentAccounts VALUES (1, 120, 1);
INSERT INTO aDepartmentAccounts VALUES (1, 130, 1);
INSERT INTO aDepartmentAccounts VALUES (1, 140, 1);
INSERT INTO aDepartmentAccounts VALUES (2, 201, 1);
INSERT INTO aDepartmentAccounts VALUES (2, 202, 1);
INSERT INTO aDepartmentAccounts VALUES (2, 204, 1);
INSERT INTO aDepartmentAccounts VALUES (2, 206, 1);
INSERT INTO aDepartmentAccounts VALUES (2, 207, 1);
INSERT INTO aDepartmentAccounts VALUES (2, 208, 1);
INSERT INTO aDepartmentAccounts VALUES (2, 110, 1);
INSERT INTO aDepartmentAccounts VALUES (2, 104, 1);
INSERT INTO aDepartmentAccounts VALUES (3, 201, 1);
INSERT INTO aDepartmentAccounts VALUES (3, 202, 1);
INSERT INTO aDepartmentAccounts VALUES (3, 206, 1);
INSERT INTO aDepartmentAccounts VALUES (3, 210, 1);
INSERT INTO aDepartmentAccounts VALUES (4, 401, 2);
INSERT INTO aDepartmentAccounts VALUES (4, 403, 2);
INSERT INTO aDepartmentAccounts VALUES (5, 401, 2);
INSERT INTO aDepartmentAccounts VALUES (5, 402, 2);
INSERT INTO aDepartmentAccounts VALUES (5, 403, 2);

-- The administration control account is Administration's own control account.
INSERT INTO adepControlAccounts VALUES (209, 1, 1);

INSERT INTO aCustomerMaster VALUES (1, 1, 'Gulf Marine Services', 2);
INSERT INTO aCustomerMaster VALUES (2, 1, 'Al Noor Contracting', 1);

-- Users: admin holds every right, clerk may only add, auditor holds none,
-- supervisor may add and edit.
INSERT INTO ausers VALUES (1, 'admin', 1);
INSERT INTO ausers VALUES (2, 'clerk', 2);
INSERT INTO ausers VALUES (3, 'auditor', 3);
INSERT INTO ausers VALUES (4, 'supervisor', 1);
INSERT INTO lousers VALUES (1, 'Administrator');
INSERT INTO lousers VALUES (2, 'Petty Cash Clerk');
INSERT INTO lousers VALUES (3, 'Internal Auditor');
INSERT INTO lousers VALUES (4, 'Accounts Supervisor');

INSERT INTO AuserGroupDeptDetails VALUES (1, 1);
INSERT INTO AuserGroupDeptDetails VALUES (1, 2);
INSERT INTO AuserGroupDeptDetails VALUES (1, 3);
INSERT INTO AuserGroupDeptDetails VALUES (1, 4);
INSERT INTO AuserGroupDeptDetails VALUES (1, 5);
INSERT INTO AuserGroupDeptDetails VALUES (2, 1);
INSERT INTO AuserGroupDeptDetails VALUES (2, 2);

INSERT INTO auserrights VALUES (1, 1, 7517, 'NED');
INSERT INTO auserrights VALUES (2, 1, 7517, 'NED');
INSERT INTO auserrights VALUES (1, 2, 7517, 'N');
INSERT INTO auserrights VALUES (2, 2, 7517, 'N');
INSERT INTO auserrights VALUES (1, 4, 7517, 'NE');
INSERT INTO auserrights VALUES (2, 4, 7517, 'NE');
-- Rights in another interface do not count here.
INSERT INTO auserrights VALUES (1, 3, 7518, 'NED');

INSERT INTO aPrefix (Prefix, InterfaceID, DepartmentId, FinancialId) VALUES ('ADM/', 7517, 1, 2);
INSERT INTO aPrefix (Prefix, InterfaceID, DepartmentId, FinancialId) VALUES ('OPS/', 7517, 2, 2);
INSERT INTO aPrefix (Prefix, InterfaceID, DepartmentId, FinancialId) VALUES ('PRJ/', 7517, 3, 2);
INSERT INTO aPrefix (Prefix, InterfaceID, DepartmentId, FinancialId) VALUES ('HO/', 7517, 4, 2);
INSERT INTO aPrefix (Prefix, InterfaceID, DepartmentId, FinancialId) VALUES ('WH/', 7517, 5, 2);
INSERT INTO aPrefix (Prefix, InterfaceID, DepartmentId, FinancialId) VALUES ('ADM/', 7517, 1, 1);
INSERT INTO aPrefix (Prefix, InterfaceID, DepartmentId, FinancialId) VALUES ('OPS/', 7517, 2, 1);
INSERT INTO aPrefix (Prefix, InterfaceID, DepartmentId, FinancialId) VALUES ('PCR/', 7518, 1, 2);

INSERT INTO atables VALUES (1, 'aHqPettyCashPaymentHeader');
INSERT INTO atables VALUES (2, 'aHqPettyCashReceiptHeader');
INSERT INTO atablecolumns VALUES (1, 0, 'PaymentID', 'phPaymentID');
INSERT INTO atablecolumns VALUES (1, 1, 'PaymentNo', 'phPaymentNo');
INSERT INTO atablecolumns VALUES (1, 2, 'PaymentDate', 'phPaymentdate');
INSERT INTO atablecolumns VALUES (1, 3, 'Payee', 'phPayee');
INSERT INTO atablecolumns VALUES (1, 4, 'Payment Amount', 'phAmount');
INSERT INTO atablecolumns VALUES (1, 5, 'Cancelled', 'phcancel');
INSERT INTO atablecolumns VALUES (1, 6, 'Posted', 'phposted');
INSERT INTO atablecolumns VALUES (2, 0, 'ReceiptID', 'prReceiptID');
INSERT INTO atablecolumns VALUES (2, 1, 'ReceiptNo', 'prReceiptNo');

-- The notes and coins of each currency, largest first, for the cash count.
INSERT INTO aCurrencyDenominations VALUES (1, 1000, 'Note', 1);
INSERT INTO aCurrencyDenominations VALUES (1, 500, 'Note', 2);
INSERT INTO aCurrencyDenominations VALUES (1, 200, 'Note', 3);
INSERT INTO aCurrencyDenominations VALUES (1, 100, 'Note', 4);
INSERT INTO aCurrencyDenominations VALUES (1, 50, 'Note', 5);
INSERT INTO aCurrencyDenominations VALUES (1, 20, 'Note', 6);
INSERT INTO aCurrencyDenominations VALUES (1, 10, 'Note', 7);
INSERT INTO aCurrencyDenominations VALUES (1, 5, 'Note', 8);
INSERT INTO aCurrencyDenominations VALUES (1, 1, 'Coin', 9);
INSERT INTO aCurrencyDenominations VALUES (1, 0.50, 'Coin', 10);
INSERT INTO aCurrencyDenominations VALUES (1, 0.25, 'Coin', 11);
INSERT INTO aCurrencyDenominations VALUES (2, 100, 'Note', 1);
INSERT INTO aCurrencyDenominations VALUES (2, 50, 'Note', 2);
INSERT INTO aCurrencyDenominations VALUES (2, 20, 'Note', 3);
INSERT INTO aCurrencyDenominations VALUES (2, 10, 'Note', 4);
INSERT INTO aCurrencyDenominations VALUES (2, 5, 'Note', 5);
INSERT INTO aCurrencyDenominations VALUES (2, 2, 'Note', 6);
INSERT INTO aCurrencyDenominations VALUES (2, 1, 'Note', 7);
INSERT INTO aCurrencyDenominations VALUES (2, 0.50, 'Coin', 8);
INSERT INTO aCurrencyDenominations VALUES (2, 0.25, 'Coin', 9);
INSERT INTO aCurrencyDenominations VALUES (2, 0.10, 'Coin', 10);
INSERT INTO aCurrencyDenominations VALUES (2, 0.05, 'Coin', 11);
INSERT INTO aCurrencyDenominations VALUES (2, 0.01, 'Coin', 12);
INSERT INTO aCurrencyDenominations VALUES (3, 500, 'Note', 1);
INSERT INTO aCurrencyDenominations VALUES (3, 200, 'Note', 2);
INSERT INTO aCurrencyDenominations VALUES (3, 100, 'Note', 3);
INSERT INTO aCurrencyDenominations VALUES (3, 50, 'Note', 4);
INSERT INTO aCurrencyDenominations VALUES (3, 20, 'Note', 5);
INSERT INTO aCurrencyDenominations VALUES (3, 10, 'Note', 6);
INSERT INTO aCurrencyDenominations VALUES (3, 5, 'Note', 7);
INSERT INTO aCurrencyDenominations VALUES (3, 2, 'Coin', 8);
INSERT INTO aCurrencyDenominations VALUES (3, 1, 'Coin', 9);
INSERT INTO aCurrencyDenominations VALUES (3, 0.50, 'Coin', 10);
INSERT INTO aCurrencyDenominations VALUES (3, 0.20, 'Coin', 11);
INSERT INTO aCurrencyDenominations VALUES (3, 0.10, 'Coin', 12);
INSERT INTO aCurrencyDenominations VALUES (3, 0.05, 'Coin', 13);
INSERT INTO aCurrencyDenominations VALUES (3, 0.02, 'Coin', 14);
INSERT INTO aCurrencyDenominations VALUES (3, 0.01, 'Coin', 15);

-- The floats of the petty cash boxes (the bank account has none): the
-- clerk keeps the dirham boxes, the administrator the dollar float. No box
-- has been counted yet, so each float is large enough for the demo's weeks
-- of vouchers and more.
INSERT INTO aPCFloat VALUES (1, 101, 60000, 2, 'admin', NULL);
INSERT INTO aPCFloat VALUES (1, 102, 20000, 2, 'admin', NULL);
INSERT INTO aPCFloat VALUES (1, 103, 6000, 1, 'admin', NULL);
